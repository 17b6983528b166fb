#pragma once

#include <QPointer>
#include <QString>

class QWidget;

namespace nearbell {

class DesktopOpener;
class MessageDisplay;
class frmAbout;
struct ProgramGlobals;

// Responsibilities: Help, "About": opens the About box, or leaves an open
// one exactly as it is.
class AboutBox
{
public:
    // The home page and legal notice default to this build's identity texts.
    AboutBox(const ProgramGlobals &globals, DesktopOpener &opener, MessageDisplay &messages,
             QWidget *mainWindow = nullptr);

    void setHomePage(const QString &address) { m_homePage = address; }
    void setLegalNoticeText(const QString &text) { m_legalNoticeText = text; }

    void mnuHelpAbout_Click();

    // The open About box, or null.
    frmAbout *window() const { return m_window; }

private:
    const ProgramGlobals &m_globals;
    DesktopOpener &m_opener;
    MessageDisplay &m_messages;
    QPointer<QWidget> m_mainWindow;
    QPointer<frmAbout> m_window;
    QString m_homePage;
    QString m_legalNoticeText;
};

} // namespace nearbell
