// Cost of the profile calls: every read parses the whole file and every
// write rewrites it, as the start-up and shutdown sequences call them key by
// key.
#include "platform/ProfileFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using nearbell::ProfileFile;

class ProfileFileBench : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readSettingsKey();
    void readKeyAtEndOfLargeProfile();
    void writeSettingsKey();
    void writeKeyInLargeProfile();

private:
    QTemporaryDir m_dir;
    QString m_settings;
    QString m_large;
};

void ProfileFileBench::initTestCase()
{
    m_settings = m_dir.filePath("nearbell.INI");
    QFile settings(m_settings);
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[SETUP]\r\nMIN_DISTANCE=10\r\nBRING_TO_FRONT=TRUE\r\nAUDIBLE_ALARM=TRUE\r\n"
                   "SCAN_STATIONS=TRUE\r\nSCAN_OVERLAYS=TRUE\r\nLEFT=6210\r\nTOP=4305\r\n"
                   "MINIMIZED=FALSE\r\n");
    settings.close();

    // A host profile of 200 sections with 25 keys each (5000 keys).
    m_large = m_dir.filePath("uiview32.ini");
    QFile large(m_large);
    QVERIFY(large.open(QIODevice::WriteOnly));
    for (int s = 0; s < 200; ++s) {
        large.write(QByteArray("[SECTION") + QByteArray::number(s) + "]\r\n");
        for (int k = 0; k < 25; ++k)
            large.write(QByteArray("KEY") + QByteArray::number(k) + "=some value " +
                        QByteArray::number(s * 25 + k) + "\r\n");
    }
    large.write("[STATION]\r\nCALLSIGN=AB1CD\r\n");
    large.close();
}

void ProfileFileBench::readSettingsKey()
{
    QString value;
    QBENCHMARK {
        value = ProfileFile::readString(m_settings, "SETUP", "MINIMIZED", "FALSE");
    }
    QCOMPARE(value, QString("FALSE"));
}

void ProfileFileBench::readKeyAtEndOfLargeProfile()
{
    QString value;
    QBENCHMARK {
        value = ProfileFile::readString(m_large, "STATION", "CALLSIGN", "NOCALL");
    }
    QCOMPARE(value, QString("AB1CD"));
}

void ProfileFileBench::writeSettingsKey()
{
    int n = 0;
    QBENCHMARK {
        QVERIFY(ProfileFile::writeString(m_settings, "SETUP", "LEFT", QString::number(++n)));
    }
}

void ProfileFileBench::writeKeyInLargeProfile()
{
    int n = 0;
    QBENCHMARK {
        QVERIFY(ProfileFile::writeString(m_large, "SECTION100", "KEY12", QString::number(++n)));
    }
}

QTEST_GUILESS_MAIN(ProfileFileBench)
#include "ProfileFileBench.moc"
