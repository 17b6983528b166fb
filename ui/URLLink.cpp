#include "ui/URLLink.h"

#include "platform/DesktopOpener.h"
#include "platform/MessageDisplay.h"
#include "platform/ScreenPointer.h"
#include "ui/LegacyFonts.h"
#include "ui/PropertyBag.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>

#include <optional>

namespace nearbell {

const QString URLLink::defaultText = QStringLiteral("Tallowick Home Page");
const QString URLLink::defaultURL = QStringLiteral("http://tallowick.example.org/");

namespace {

const QString kText = QStringLiteral("Text");
const QString kURL = QStringLiteral("URL");
const QString kShowToolTip = QStringLiteral("ShowToolTip");

// Title of the program's plain message boxes.
const QString kMessageTitle = QStringLiteral("Nearbell");

std::optional<QString> toText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        return value.toString();
    default:
        return std::nullopt;
    }
}

// A saved Boolean: a real Boolean, a number (non-zero is true) or the words
// True and False; anything else is unreadable.
std::optional<bool> toBoolean(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toLongLong() != 0;
    case QMetaType::Double:
        return value.toDouble() != 0.0;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        if (text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
            return false;
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (ok)
            return number != 0.0;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

URLLink::URLLink(DesktopOpener &opener, MessageDisplay &messages, QWidget *parent)
    : QWidget(parent), m_opener(opener), m_messages(messages), m_label(new QLabel(this))
{
    m_label->setObjectName(QStringLiteral("lblURL"));
    QFont font = LegacyFonts::msSansSerif(8.25);
    font.setUnderline(true);
    setFont(font);
    m_label->setFont(font);
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Highlight));
    m_label->setPalette(palette);
    m_label->setCursor(Qt::PointingHandCursor);
    m_label->setTextFormat(Qt::PlainText);
    m_label->installEventFilter(this);
    InitProperties();
}

QString URLLink::Text() const
{
    return m_label->text();
}

void URLLink::setText(const QString &sText)
{
    m_label->setText(sText);
    const QSize size = QFontMetrics(font()).size(Qt::TextSingleLine, sText);
    m_label->setGeometry(0, 0, size.width(), size.height());
    markChanged(kText);
}

void URLLink::setURL(const QString &sURL)
{
    m_url = sURL;
    UpdateToolTip();
    markChanged(kURL);
}

void URLLink::setShowToolTip(bool bShowToolTip)
{
    m_showToolTip = bShowToolTip;
    UpdateToolTip();
    markChanged(kShowToolTip);
}

void URLLink::InitProperties()
{
    setText(defaultText);
    m_url = defaultURL;
    setShowToolTip(defaultShowToolTip);
}

void URLLink::ReadProperties(const PropertyBag &bag)
{
    const std::optional<QString> text = toText(bag.readProperty(kText, defaultText));
    if (!text) {
        InitProperties();
        return;
    }
    setText(*text);

    const std::optional<QString> url = toText(bag.readProperty(kURL, defaultURL));
    if (!url) {
        InitProperties();
        return;
    }
    m_url = *url;

    const std::optional<bool> showToolTip = toBoolean(bag.readProperty(kShowToolTip, defaultShowToolTip));
    if (!showToolTip) {
        InitProperties();
        return;
    }
    setShowToolTip(*showToolTip);
}

void URLLink::WriteProperties(PropertyBag &bag) const
{
    bag.writeProperty(kText, Text(), defaultText);
    bag.writeProperty(kURL, m_url, defaultURL);
    bag.writeProperty(kShowToolTip, m_showToolTip, defaultShowToolTip);
}

bool URLLink::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_label && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        lblURL_MouseDown(mouse->buttons() | mouse->button());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void URLLink::lblURL_MouseDown(Qt::MouseButtons buttons)
{
    if (!(buttons & Qt::LeftButton)) {
        ScreenPointer::setDefault();
        return;
    }

    QString target = m_url;
    bool cancel = false;
    emit GoToURL(target, cancel);
    if (cancel)
        return;

    ScreenPointer::setHourglass();
    try {
        m_opener.open(target);
    } catch (const DesktopOpenError &error) {
        m_messages.show(window(), kMessageTitle,
                        QStringLiteral("Unable to load '") + target + QStringLiteral("' : ")
                            + error.description() + QStringLiteral(" (Error ")
                            + QString::number(error.number()) + QStringLiteral(")"),
                        MessageDisplay::Icon::None);
    } catch (const std::exception &error) {
        m_messages.show(window(), kMessageTitle,
                        QStringLiteral("Unable to load '") + target + QStringLiteral("' : ")
                            + QString::fromLocal8Bit(error.what()) + QStringLiteral(" (Error 0)"),
                        MessageDisplay::Icon::None);
    }
    ScreenPointer::setDefault();
}

void URLLink::UpdateToolTip()
{
    m_label->setToolTip(m_showToolTip ? m_url : QString());
}

void URLLink::markChanged(const QString &name)
{
    m_changed.insert(name);
    emit PropertyChanged(name);
}

} // namespace nearbell
