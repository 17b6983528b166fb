#include "ui/StatusLine.h"

namespace nearbell {

namespace {
const QString separator = QStringLiteral("  \u00b7  ");
const QString failureColour = QStringLiteral("#c00000");
} // namespace

StatusLine::StatusLine(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("lblStatus"));
    setAccessibleName(QStringLiteral("Status"));
    setTextFormat(Qt::RichText);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setWordWrap(false);
}

void StatusLine::setParts(const StatusParts &parts)
{
    if (parts == m_parts && !text().isEmpty())
        return;
    m_parts = parts;
    QString html;
    for (const StatusPart &part : parts) {
        if (part.text.isEmpty())
            continue;
        if (!html.isEmpty())
            html += separator;
        const QString escaped = part.text.toHtmlEscaped();
        html += part.failure ? QStringLiteral("<span style=\"color:%1\">%2</span>").arg(failureColour, escaped)
                             : escaped;
    }
    // A rich-text label with nothing in it still needs some text to tell
    // "shown empty" from "never set".
    setText(html.isEmpty() ? QStringLiteral("&nbsp;") : html);
    setAccessibleDescription(plainText());
    updateToolTip();
}

void StatusLine::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateToolTip();
}

void StatusLine::updateToolTip()
{
    // As a paragraph the tool tip wraps, and escaped it shows the text as
    // written: a long plain tool tip would be cut off at the screen's edge.
    const QString plain = plainText();
    const bool cutOff = fontMetrics().horizontalAdvance(plain) > contentsRect().width() - 2 * margin();
    setToolTip(cutOff ? QStringLiteral("<p>%1</p>").arg(plain.toHtmlEscaped()) : QString());
}

QString StatusLine::plainText() const
{
    QStringList texts;
    for (const StatusPart &part : m_parts) {
        if (!part.text.isEmpty())
            texts.append(part.text);
    }
    return texts.join(separator);
}

} // namespace nearbell
