#pragma once

#include <QLabel>

#include "platform/StatusPart.h"

namespace nearbell {

// The status line at the foot of the main window: what the alarm depends on,
// in order of importance, failures in red.
//
// Responsibilities:
//  - show the parts on one line, most important first, separated by a
//    middle dot; every text is shown as plain text, never as markup;
//  - keep the whole text in the accessible description, and, while the
//    line is too long for the window, in the tool tip, wrapped so that all
//    of it can be read.
class StatusLine : public QLabel
{
    Q_OBJECT
public:
    explicit StatusLine(QWidget *parent = nullptr);

    void setParts(const StatusParts &parts);
    const StatusParts &parts() const { return m_parts; }
    // The line as plain text, as a reader of the screen gets it.
    QString plainText() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateToolTip();

    StatusParts m_parts;
};

} // namespace nearbell
