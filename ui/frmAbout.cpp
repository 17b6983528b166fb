#include "ui/frmAbout.h"

#include "platform/ScreenPointer.h"
#include "ui/LegacyFonts.h"
#include "ui/Twips.h"
#include "ui/URLLink.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace nearbell {

const QString frmAbout::authorLine = QStringLiteral("written by the Nearbell authors");
const QString frmAbout::description =
    QStringLiteral("This UI-View32 add-on sounds an alarm when stations are withing a certain range. ");
const QString frmAbout::disclaimer =
    QStringLiteral("This program comes without any warranty. It is an aid only and no substitute "
                   "for keeping watch yourself.");

namespace {
QLabel *makeLabel(QWidget *parent, const char *name, const QRect &geometry, const QFont &font)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}
} // namespace

QString frmAbout::legalNotice(const QString &legalNoticeText)
{
    return legalNoticeText.isEmpty() ? QStringLiteral("Not set in Project!") : legalNoticeText;
}

frmAbout::frmAbout(const QString &caption, const QString &homePage, const QString &legalNoticeText,
                   DesktopOpener &opener, MessageDisplay &messages, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    setWindowIcon(QIcon(QStringLiteral(":/nearbell/nearbell.png")));
    const double dpi = logicalDpiX();
    setFixedSize(twipsToPixels(6360, dpi), twipsToPixels(4020, dpi));
    const QFont regular = LegacyFonts::msSansSerif(8.25);
    const QFont bold = LegacyFonts::msSansSerif(8.25, true);
    setFont(regular);

    // Controls in focus order.
    Label1 = makeLabel(this, "Label1", twipsRect(840, 0, 5295, 375, dpi), bold);
    Label2 = makeLabel(this, "Label2", twipsRect(840, 480, 5295, 375, dpi), bold);
    Label3 = makeLabel(this, "Label3", twipsRect(840, 960, 5295, 735, dpi), regular);
    Command1 = new QPushButton(QStringLiteral("&OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(5280, 3480, 975, 375, dpi));
    Command1->setFont(bold);
    Command1->setDefault(true);
    Label4 = makeLabel(this, "Label4", twipsRect(120, 2400, 735, 255, dpi), bold);
    Label4->setText(QStringLiteral("Legal"));
    Label5 = makeLabel(this, "Label5", twipsRect(840, 2400, 5295, 495, dpi), regular);
    Label8 = makeLabel(this, "Label8", twipsRect(840, 1800, 5295, 255, dpi), bold);
    Label8->setText(QStringLiteral("More information on this website"));
    URLLink1 = new URLLink(opener, messages, this);
    URLLink1->setObjectName(QStringLiteral("URLLink1"));
    URLLink1->setGeometry(twipsRect(840, 2040, 5295, 255, dpi));
    // Below the legal notice, clear of the OK button.
    Label6 = makeLabel(this, "Label6", twipsRect(840, 2940, 4335, 495, dpi), regular);

    connect(Command1, &QPushButton::clicked, this, &QWidget::close);

    // Form_Load
    m_authorLine = authorLine;
    m_description = description;
    m_homePage = homePage;
    m_legalNotice = legalNotice(legalNoticeText);
    m_disclaimer = disclaimer;

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
    setWindowTitle(QStringLiteral("About ") + caption);

    Label1->setText(caption);
    Label2->setText(m_authorLine);
    Label3->setText(m_description);
    Label5->setText(m_legalNotice);
    Label6->setText(m_disclaimer);

    URLLink1->setText(m_homePage);
    URLLink1->setURL(m_homePage);
}

void frmAbout::closeEvent(QCloseEvent *event)
{
    // Form_Unload: an hourglass left by the link must not outlive the box.
    ScreenPointer::setDefault();
    event->accept();
}

} // namespace nearbell
