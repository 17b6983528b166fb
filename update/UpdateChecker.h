#pragma once

#include "update/PageFetcher.h"
#include "update/UpdatePage.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QWidget;

namespace nearbell {

class DesktopOpener;
class MessageDisplay;
class frmUpdate;
struct ProgramGlobals;

// Responsibilities: Help, "Check for update": fetches the update page, has
// it read, and reports the outcome in the update dialog (and a message box
// for a failed transfer); keeps the menu item and the dialog's buttons
// disabled while a check runs and the dialog open while the request is
// outstanding.
class UpdateChecker : public QObject
{
    Q_OBJECT

public:
    // The check's fixed values; the defaults are this build's.
    struct Settings
    {
        QString pageAddress;   // no trailing "/"
        QString makerIdentity;
        ProgramVersion ownVersion;
        int timeoutMs = PageFetcher::defaultTimeoutMs;

        static Settings fromBuild();
    };

    // mnuHelpUpdate is the main window's menu item, mainWindow the parent of
    // the dialog; either may be null.
    UpdateChecker(const ProgramGlobals &globals, MessageDisplay &messages, DesktopOpener &opener,
                  QAction *mnuHelpUpdate, QWidget *mainWindow, QObject *parent = nullptr);

    void setSettings(const Settings &settings) { m_settings = settings; }
    const Settings &settings() const { return m_settings; }

    // Menu Help, "Check for update".
    void mnuHelpUpdate_Click();
    // Runs the whole check; returns when it has ended.
    void CheckForUpdate();

    bool gblnUpdateBusy() const { return m_busy; }
    // The open dialog, or null.
    frmUpdate *dialog() const { return m_dialog; }

private:
    void Command2_Click();
    void setMenuEnabled(bool enabled);
    void setButtonsEnabled(bool enabled);

    const ProgramGlobals &m_globals;
    MessageDisplay &m_messages;
    DesktopOpener &m_opener;
    QPointer<QAction> m_mnuHelpUpdate;
    QPointer<QWidget> m_mainWindow;
    QPointer<frmUpdate> m_dialog;
    Settings m_settings;
    bool m_busy = false;
};

} // namespace nearbell
