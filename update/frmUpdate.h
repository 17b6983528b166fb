#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace nearbell {

class DesktopOpener;
class MessageDisplay;
class URLLink;

// Responsibilities: the update dialog: the status line with its colour, the
// download link, and the "Re-try" and "Close" buttons. It refuses to close
// while the page request of a check is outstanding. What the buttons run is
// wired by the update check.
class frmUpdate : public QWidget
{
    Q_OBJECT

public:
    // isBusy tells whether a page request is outstanding. The dialog is
    // deleted when it closes.
    frmUpdate(const QString &caption, DesktopOpener &opener, MessageDisplay &messages,
              std::function<bool()> isBusy, QWidget *parent = nullptr);

    void setStatus(const QString &text);
    QString status() const;
    void setStatusColour(const QColor &colour);
    QColor statusColour() const;

    QLabel *Label1;
    URLLink *URLLink1;
    QPushButton *Command2; // "Re-try"
    QPushButton *Command1; // "Close"

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::function<bool()> m_isBusy;
};

} // namespace nearbell
