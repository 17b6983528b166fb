#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <map>

#include "ui/HostSetup.h"

class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;
class QStackedWidget;

namespace nearbell {

class DeviceComboBox;

// The "Station setup" window: the host's own set-up (callsign, position,
// units, station source and the rest of the host profile).
//
// Responsibilities:
//  - show the host profile's values and check every field as it is typed,
//    with the reason beside the field; OK only while everything is valid;
//  - show the fields of the chosen source on a page of its own, every page
//    the size of the largest, so that the window keeps one size whatever
//    is chosen, added or removed; the window opens fitting the screen it
//    opens on, what does not fit scrolling above the buttons;
//  - list every station source (up to four heard at once), add and remove
//    them, and edit the one chosen in the list with the source fields;
//  - offer the serial ports present and a file chooser beside each file;
//  - on OK write what changed through the host profile (nothing when
//    nothing changed), and stay open with the reason when it cannot be
//    written;
//  - say that a changed callsign applies at the next start.
class frmStationSetup : public QDialog
{
    Q_OBJECT
public:
    // hostProfile: the "uiview32.ini" to edit. runningCallsign: the callsign
    // the program runs with (empty before the first start).
    frmStationSetup(QString hostProfile, QString runningCallsign, QWidget *parent = nullptr);

    QLineEdit *edit(HostSetup::Field field) const { return m_edits.at(field); }
    QLabel *reason(HostSetup::Field field) const { return m_reasons.at(field); }
    QComboBox *cboUnits = nullptr;
    QComboBox *cboSource = nullptr;
    QComboBox *cboPosition = nullptr;
    DeviceComboBox *cboSerialDevice = nullptr;
    QLabel *lblSourceReason = nullptr;
    QStackedWidget *pgsSource = nullptr;
    QListWidget *lstSources = nullptr;
    QPushButton *cmdAddSource = nullptr;
    QPushButton *cmdRemoveSource = nullptr;
    // Asks for a file to open (caption, starting file); empty when the user
    // cancels. Tests answer it instead of a file dialog.
    std::function<QString(const QString &caption, const QString &start)> chooseFile;
    // The serial ports offered in the device list.
    std::function<QStringList()> serialDevices;
    QLabel *lblCallsignNote = nullptr;
    QLabel *lblWriteError = nullptr;
    QDialogButtonBox *buttons = nullptr;

    const HostSetup &setup() const { return m_setup; }
    bool okEnabled() const;
    void setSource(HostSetup::Source source);
    // The chooser button beside a file field (ReplayFile, SerialInit).
    QPushButton *browseButton(HostSetup::Field field) const { return m_browse.at(field); }
    // Fills the serial device list afresh.
    void refreshDevices();

protected:
    void showEvent(QShowEvent *event) override;

public slots:
    // Writes the host profile; closes only when that worked.
    void accept() override;

private:
    void addField(HostSetup::Field field, const QString &label, const QString &hint);
    void addBrowse(HostSetup::Field field, const QString &caption);
    void refresh();
    void addSourceList(QFormLayout *form);
    // Shows the edited source line in the source fields.
    void showSource();
    void fitScreen();

    QString m_hostProfile;
    QString m_runningCallsign;
    HostSetup m_setup;
    HostSetup m_initial;
    QFormLayout *m_form = nullptr;
    std::map<HostSetup::Field, QLineEdit *> m_edits;
    std::map<HostSetup::Field, QLabel *> m_reasons;
    std::map<HostSetup::Field, QWidget *> m_rows;
    std::map<HostSetup::Field, QPushButton *> m_browse;
    std::map<HostSetup::Source, int> m_pages;
    QScrollArea *m_scroll = nullptr;
    bool m_placed = false;
};

} // namespace nearbell
