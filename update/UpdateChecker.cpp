#include "update/UpdateChecker.h"

#include "Version.h"
#include "platform/ProgramGlobals.h"
#include "platform/MessageDisplay.h"
#include "ui/URLLink.h"
#include "update/frmUpdate.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

namespace nearbell {

namespace {
// Title of the program's plain message boxes.
const QString kMessageTitle = QStringLiteral("Nearbell");
// The network layer's number for a refused connection: reported in the
// dialog only, without a message box.
constexpr int kQuietErrorNumber = 1;
} // namespace

UpdateChecker::Settings UpdateChecker::Settings::fromBuild()
{
    Settings settings;
    settings.pageAddress = QString::fromUtf8(version::homeUrl);
    settings.makerIdentity = QString::fromUtf8(version::makerIdentity);
    settings.ownVersion = {version::major, version::minor, version::revision};
    return settings;
}

UpdateChecker::UpdateChecker(const ProgramGlobals &globals, MessageDisplay &messages, DesktopOpener &opener,
                             QAction *mnuHelpUpdate, QWidget *mainWindow, QObject *parent)
    : QObject(parent),
      m_globals(globals),
      m_messages(messages),
      m_opener(opener),
      m_mnuHelpUpdate(mnuHelpUpdate),
      m_mainWindow(mainWindow),
      m_settings(Settings::fromBuild())
{
}

void UpdateChecker::mnuHelpUpdate_Click()
{
    setMenuEnabled(false);
    CheckForUpdate();
    setMenuEnabled(true);
}

void UpdateChecker::Command2_Click()
{
    if (m_dialog)
        m_dialog->Command2->setEnabled(false);
    setMenuEnabled(false);
    CheckForUpdate();
    setMenuEnabled(true);
    if (m_dialog)
        m_dialog->Command2->setEnabled(true);
}

void UpdateChecker::setMenuEnabled(bool enabled)
{
    if (m_mnuHelpUpdate)
        m_mnuHelpUpdate->setEnabled(enabled);
}

void UpdateChecker::setButtonsEnabled(bool enabled)
{
    if (!m_dialog)
        return;
    m_dialog->Command1->setEnabled(enabled);
    m_dialog->Command2->setEnabled(enabled);
}

void UpdateChecker::CheckForUpdate()
{
    const UpdatePage page(m_globals.gstrProgramTitle, m_settings.makerIdentity, m_settings.pageAddress,
                          m_settings.ownVersion);

    // 1. The dialog, loaded if need be; an open one stays as it is.
    if (!m_dialog) {
        m_dialog = new frmUpdate(m_globals.gstrCaption, m_opener, m_messages, [this] { return m_busy; },
                                 m_mainWindow);
        connect(m_dialog->Command2, &QPushButton::clicked, this, &UpdateChecker::Command2_Click);
        m_dialog->show();
    }

    // 2. Working state.
    m_dialog->setStatus(QString());
    m_dialog->URLLink1->setVisible(false);
    setButtonsEnabled(false);
    setMenuEnabled(false);
    m_dialog->setStatusColour(UpdatePage::workingColour());

    // 3.
    PageFetcher fetcher;
    fetcher.setTimeoutMs(m_settings.timeoutMs);
    m_dialog->setStatus(page.contactingStatus());

    // 4. The dialog cannot be closed while the request is out.
    m_busy = true;
    const FetchResult reply = fetcher.get(QUrl(m_settings.pageAddress));
    m_busy = false;

    if (!reply.ok) {
        // 10. Transfer failure.
        setMenuEnabled(true);
        setButtonsEnabled(true);
        if (reply.abandoned)
            return; // the program is ending; nobody is left to tell
        if (reply.errorNumber != kQuietErrorNumber)
            m_messages.show(m_dialog ? static_cast<QWidget *>(m_dialog) : m_mainWindow.data(), kMessageTitle,
                            QStringLiteral("error ") + reply.errorDescription, MessageDisplay::Icon::None);
        if (m_dialog) {
            m_dialog->setStatus(page.failedStatus());
            m_dialog->setStatusColour(UpdatePage::failureColour());
        }
        return;
    }

    // 5. to 8.
    const UpdateOutcome outcome = page.evaluate(reply.body);
    if (m_dialog) {
        m_dialog->setStatus(outcome.status);
        m_dialog->setStatusColour(outcome.colour);
        if (outcome.showLink) {
            URLLink *link = m_dialog->URLLink1;
            link->setVisible(true);
            link->setText(outcome.linkText);
            link->setURL(outcome.linkURL);
            link->setToolTip(outcome.linkToolTip);
        }
    }

    // 9.
    setMenuEnabled(true);
    setButtonsEnabled(true);
}

} // namespace nearbell
