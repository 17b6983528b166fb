#include "common/TestRegistry.h"
#include "platform/LeadingNumber.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>

#include <cmath>
#include <limits>

class LeadingNumberTest : public QObject
{
    Q_OBJECT

private slots:
    void readsLeadingNumber_data();
    void readsLeadingNumber();
    void hugeNumbersStayFinite_data();
    void hugeNumbersStayFinite();
    void pointWhateverTheLocale();
};

void LeadingNumberTest::readsLeadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("unit after number") << "25km" << 25.0;
    QTest::newRow("blanks before and inside") << "  1 2.5" << 12.5;
    QTest::newRow("tabs") << "\t7\t5x" << 75.0;
    QTest::newRow("exponent with sign") << "-3e2x" << -300.0;
    QTest::newRow("capital exponent") << "2E3" << 2000.0;
    QTest::newRow("D exponent") << "1.5D2" << 150.0;
    QTest::newRow("negative exponent") << "25e-1" << 2.5;
    QTest::newRow("blank inside exponent") << "1e 2" << 100.0;
    QTest::newRow("plus sign") << "+4" << 4.0;
    QTest::newRow("blank after sign") << "- 5" << -5.0;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("only blanks") << "   " << 0.0;
    QTest::newRow("only a point") << "." << 0.0;
    QTest::newRow("only a sign") << "-" << 0.0;
    QTest::newRow("two signs") << "+-5" << 0.0;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("exponent without digits") << "1e" << 1.0;
    QTest::newRow("exponent sign without digits") << "1e+" << 1.0;
    QTest::newRow("point then exponent") << "1.e3" << 1000.0;
    QTest::newRow("comma is no decimal point") << "12,5" << 12.0;
    QTest::newRow("letter before number") << "x25" << 0.0;
    QTest::newRow("tiny underflows to zero") << "1e-400" << 0.0;
    QTest::newRow("many digits") << QString(300, u'0') + "42" << 42.0;
}

void LeadingNumberTest::readsLeadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(nearbell::leadingNumber(text), expected);
}

void LeadingNumberTest::hugeNumbersStayFinite_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    const double max = std::numeric_limits<double>::max();
    QTest::newRow("exponent too large") << "1e400" << max;
    QTest::newRow("negative and too large") << "-9e999" << -max;
    QTest::newRow("digits too many") << "1" + QString(400, u'0') << max;
    QTest::newRow("largest double still exact") << "1.7976931348623157e308" << max;
    QTest::newRow("large but ordinary") << "1e300" << 1e300;
}

void LeadingNumberTest::hugeNumbersStayFinite()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    const double value = nearbell::leadingNumber(text);
    QVERIFY(std::isfinite(value));
    QCOMPARE(value, expected);
}

void LeadingNumberTest::pointWhateverTheLocale()
{
    // The application object takes the C library's numeric locale from the
    // environment; a German one uses "," as decimal point. The locale is
    // built here so the test does not depend on the machine's locales.
    QTemporaryDir dir;
    QProcess localedef;
    localedef.start("localedef", {"-i", "de_DE", "-f", "UTF-8", dir.filePath("de_DE.UTF-8")});
    if (!localedef.waitForFinished(60000) || localedef.exitCode() != 0)
        QSKIP("cannot build a German locale here");
    const QByteArray oldLocPath = qgetenv("LOCPATH");
    qputenv("LOCPATH", QFile::encodeName(dir.path()));
    const QByteArray previous = std::setlocale(LC_NUMERIC, nullptr);
    const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    const double value = nearbell::leadingNumber(u"12.5");
    const double exponent = nearbell::leadingNumber(u"1.5e2");
    std::setlocale(LC_NUMERIC, previous.constData());
    if (oldLocPath.isNull())
        qunsetenv("LOCPATH");
    else
        qputenv("LOCPATH", oldLocPath);
    if (!german)
        QSKIP("German locale not usable here");
    QCOMPARE(value, 12.5);
    QCOMPARE(exponent, 150.0);
}

NEARBELL_TEST(LeadingNumberTest)
#include "LeadingNumberTest.moc"
