#include "update/frmUpdate.h"

#include "ui/LegacyFonts.h"
#include "ui/Twips.h"
#include "ui/URLLink.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace nearbell {

frmUpdate::frmUpdate(const QString &caption, DesktopOpener &opener, MessageDisplay &messages,
                     std::function<bool()> isBusy, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_isBusy(std::move(isBusy))
{
    setObjectName(QStringLiteral("frmUpdate"));
    setAttribute(Qt::WA_DeleteOnClose);
    const double dpi = logicalDpiX();
    setFixedSize(twipsToPixels(5355, dpi), twipsToPixels(1365, dpi));
    setFont(LegacyFonts::msSansSerif(8.25));

    Label1 = new QLabel(QStringLiteral("connecting to"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(120, 0, 5055, 615, dpi));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setFont(LegacyFonts::msSansSerif(8.25));

    URLLink1 = new URLLink(opener, messages, this);
    URLLink1->setObjectName(QStringLiteral("URLLink1"));
    URLLink1->setGeometry(twipsRect(120, 720, 5175, 255, dpi));

    Command2 = new QPushButton(QStringLiteral("Re-try"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twipsRect(3120, 960, 975, 375, dpi));
    Command2->setFont(LegacyFonts::msSansSerif(8.25, true));

    Command1 = new QPushButton(QStringLiteral("Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(4320, 960, 975, 375, dpi));
    Command1->setFont(LegacyFonts::msSansSerif(8.25, true));

    // Focus order: status, Close, Re-try, link.
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, URLLink1);

    connect(Command1, &QPushButton::clicked, this, &QWidget::close);

    // Form_Load
    setWindowTitle(caption + QStringLiteral(", checking for update."));
}

void frmUpdate::setStatus(const QString &text)
{
    Label1->setText(text);
}

QString frmUpdate::status() const
{
    return Label1->text();
}

void frmUpdate::setStatusColour(const QColor &colour)
{
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, colour);
    Label1->setPalette(palette);
}

QColor frmUpdate::statusColour() const
{
    return Label1->palette().color(QPalette::WindowText);
}

void frmUpdate::closeEvent(QCloseEvent *event)
{
    if (m_isBusy && m_isBusy()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace nearbell
