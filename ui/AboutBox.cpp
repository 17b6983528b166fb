#include "ui/AboutBox.h"

#include "Version.h"
#include "platform/ProgramGlobals.h"
#include "ui/frmAbout.h"

namespace nearbell {

AboutBox::AboutBox(const ProgramGlobals &globals, DesktopOpener &opener, MessageDisplay &messages,
                   QWidget *mainWindow)
    : m_globals(globals),
      m_opener(opener),
      m_messages(messages),
      m_mainWindow(mainWindow),
      m_homePage(QString::fromUtf8(version::homeUrl)),
      m_legalNoticeText(QString::fromUtf8(version::copyright))
{
}

void AboutBox::mnuHelpAbout_Click()
{
    if (m_window)
        return;
    m_window = new frmAbout(m_globals.gstrCaption, m_homePage, m_legalNoticeText, m_opener, m_messages,
                            m_mainWindow);
    m_window->show();
}

} // namespace nearbell
