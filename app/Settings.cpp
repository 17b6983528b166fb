#include "app/Settings.h"

#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "platform/WriteFailures.h"
#include "platform/A_GetSetIniFile.h"
#include "platform/BlankTrim.h"
#include "platform/LeadingNumber.h"
#include "platform/ProfileFile.h"
#include "ui/ListBox.h"
#include "ui/Twips.h"

namespace nearbell {

namespace {

const QString setupSection = Settings::setupSectionName();
const QString alertsSection = QStringLiteral("ALERTS");

// The keys of [ALERTS] in the order a first run writes them, with their
// defaults, flags and Options items.
struct AlertKey
{
    const char *key;
    bool byDefault;
    bool AlertFlags::*flag;
    QAction *SettingsControls::*item;
    // A number instead of a flag: read and checked by its own rule.
    int AlertFlags::*number = nullptr;
};
const AlertKey alertKeys[] = {
    {"NOTIFY", true, &AlertFlags::notify, &SettingsControls::mnuOptionsNotify},
    {"SPEAK", false, &AlertFlags::speak, &SettingsControls::mnuOptionsSpeak},
    {"DIRECT", false, &AlertFlags::direct, &SettingsControls::mnuOptionsDirect},
    {"NO_WEATHER", false, &AlertFlags::noWeather, &SettingsControls::mnuOptionsNoWeather},
    {"NO_INFRASTRUCTURE", false, &AlertFlags::noInfrastructure, &SettingsControls::mnuOptionsNoInfrastructure},
    {"APPROACH", false, &AlertFlags::approach, &SettingsControls::mnuOptionsApproach},
    {"APPROACH_MINUTES", false, nullptr, nullptr, &AlertFlags::approachMinutes},
    {"REARM_AFTER_MINUTES", false, nullptr, &SettingsControls::mnuOptionsRearm, &AlertFlags::rearmAfterMinutes},
    {"SIREN_NEW_ONLY", false, &AlertFlags::sirenNewOnly, &SettingsControls::mnuOptionsSirenNewOnly},
    {"KEEP_WATCH", false, &AlertFlags::keepWatch, &SettingsControls::mnuOptionsKeepWatch},
    {"AT_ONCE", false, &AlertFlags::atOnce, &SettingsControls::mnuOptionsAtOnce},
};

// A whole number as the file holds it, blanks around it allowed.
std::optional<int> wholeNumber(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// The window's outer size in pixels, also before it was ever shown.
QSize outerSize(const QWidget *window)
{
    if (window->isVisible())
        return window->frameGeometry().size();
    const QSize hint = window->sizeHint();
    return hint.isValid() ? hint.expandedTo(window->minimumSize()) : window->size();
}

bool isOnSomeScreen(const QRect &frame)
{
    // At least a corner of the title bar must be reachable with the mouse.
    const QRect titleArea(frame.topLeft(), QSize(qMin(frame.width(), 64), 24));
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect visible = screen->availableGeometry().intersected(titleArea);
        if (visible.width() >= qMin(titleArea.width(), 32) && visible.height() >= 8)
            return true;
    }
    return false;
}

} // namespace

Settings::Settings(QString strIniFile, SettingsControls controls, OptionFlags &flags,
                   WriteFailures *failures, AlertFlags *alerts)
    : m_iniFile(std::move(strIniFile)),
      m_c(std::move(controls)),
      m_flags(flags),
      m_failures(failures),
      m_alerts(alerts)
{
}

QString Settings::read(const QString &key, const QString &defaultValue, const QString &section)
{
    // As ReadIniSetting, with the write's outcome reported.
    const QString value = ReadIniString(m_iniFile, section, key, defaultValue);
    if (value == defaultValue)
        write(key, defaultValue, section);
    return value;
}

void Settings::write(const QString &key, const QString &value, const QString &section)
{
    // A failure does not stop the program: the setting does not persist,
    // and the user is told until a later write of the file succeeds.
    QString reason;
    const bool written = ProfileFile::writeString(m_iniFile, section, key, value, &reason);
    if (m_failures)
        m_failures->report(m_iniFile, written, reason);
}

void Settings::loadini()
{
    m_c.txtRadius->setText(read(QStringLiteral("MIN_DISTANCE"), QStringLiteral("10")));

    auto loadFlag = [this](const char *key, bool &flag, QAction *item) {
        QString text = read(QString::fromLatin1(key), QStringLiteral("TRUE"));
        flag = IsTrueText(text);
        item->setChecked(flag);
    };
    loadFlag("BRING_TO_FRONT", m_flags.gblnBringToFront, m_c.mnuAlarmBringToFront);
    loadFlag("AUDIBLE_ALARM", m_flags.gblnAudibleAlarm, m_c.mnuAlarm);
    loadFlag("SCAN_STATIONS", m_flags.gblnScanStations, m_c.mnuOptionsStations);
    enable_disable_stations();
    loadFlag("SCAN_OVERLAYS", m_flags.gblnScanOverlays, m_c.mnuOptionsOverlays);
    enable_disable_overlays();

    const double tpp = m_c.twipsPerPixel ? m_c.twipsPerPixel() : 15.0;
    const QScreen *screen = m_c.window->screen() ? m_c.window->screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QSize outer = outerSize(m_c.window);
    const qint16 centredLeft = toTwips16((screenRect.width() * tpp - outer.width() * tpp) / 2.0);
    const qint16 centredTop = toTwips16((screenRect.height() * tpp - outer.height() * tpp) / 2.0);

    const qint16 left = toTwips16(leadingNumber(read(QStringLiteral("LEFT"), QString::number(centredLeft))));
    const qint16 top = toTwips16(leadingNumber(read(QStringLiteral("TOP"), QString::number(centredTop))));

    QPoint position(int(std::lround(left / tpp)), int(std::lround(top / tpp)));
    if (!isOnSomeScreen(QRect(position, outer)))
        position = QPoint(int(std::lround(centredLeft / tpp)), int(std::lround(centredTop / tpp)));
    if (m_c.placeWindow)
        m_c.placeWindow(position);
    else
        m_c.window->move(position);
    // Until the window is seen in the normal state, the loaded position is
    // the one to keep (a run that stays minimized saves it unchanged).
    *m_c.intLastLeft = toTwips16(position.x() * tpp);
    *m_c.intLastTop = toTwips16(position.y() * tpp);

    QString minimized = read(QStringLiteral("MINIMIZED"), QStringLiteral("FALSE"));
    if (IsTrueText(minimized))
        m_c.window->setWindowState(m_c.window->windowState() | Qt::WindowMinimized);

    if (m_alerts) {
        for (const AlertKey &k : alertKeys) {
            if (k.number) {
                const bool approach = k.number == &AlertFlags::approachMinutes;
                const QString text = read(QString::fromLatin1(k.key),
                                          QString::number(approach ? AlertFlags::kDefaultApproachMinutes : 0),
                                          alertsSection);
                QString reading;
                m_alerts->*k.number = approach ? approachMinutesFrom(text, &reading) : rearmMinutesFrom(text, &reading);
                if (!reading.isEmpty()) {
                    m_readings.append(reading);
                    qWarning("%s", qPrintable(reading));
                }
                if (QAction *item = k.item ? m_c.*k.item : nullptr) {
                    item->setChecked(m_alerts->rearmAfterMinutes != 0);
                    item->setText(rearmItemText(m_alerts->rearmAfterMinutes));
                }
                continue;
            }
            QString text = read(QString::fromLatin1(k.key), BoolToText(k.byDefault), alertsSection);
            m_alerts->*k.flag = IsTrueText(text);
            if (QAction *item = m_c.*k.item)
                item->setChecked(m_alerts->*k.flag);
        }
    }
}

void Settings::toggleAlert(const char *key)
{
    if (!m_alerts)
        return;
    for (const AlertKey &k : alertKeys) {
        if (std::strcmp(k.key, key) != 0)
            continue;
        bool &flag = m_alerts->*k.flag;
        flag = !flag;
        if (QAction *item = m_c.*k.item)
            item->setChecked(flag);
        write(QString::fromLatin1(k.key), BoolToText(flag), alertsSection);
    }
}

int Settings::approachMinutesFrom(const QString &text, QString *reading)
{
    const std::optional<int> value = wholeNumber(text);
    int used = value ? std::clamp(*value, AlertFlags::kMinApproachMinutes, AlertFlags::kMaxApproachMinutes)
                     : AlertFlags::kDefaultApproachMinutes;
    if (reading && (!value || used != *value))
        *reading = QStringLiteral("[ALERTS] APPROACH_MINUTES=%1 is not a number of minutes from %2 to %3: %4 is used")
                       .arg(text.left(40))
                       .arg(AlertFlags::kMinApproachMinutes)
                       .arg(AlertFlags::kMaxApproachMinutes)
                       .arg(used);
    return used;
}

int Settings::rearmMinutesFrom(const QString &text, QString *reading)
{
    const std::optional<int> value = wholeNumber(text);
    if (value && *value >= 0)
        return *value;
    if (reading)
        *reading = QStringLiteral("[ALERTS] REARM_AFTER_MINUTES=%1 is not a number of minutes: "
                                  "stations are not re-armed after leaving")
                       .arg(text.left(40));
    return 0;
}

QString Settings::rearmItemText(int minutes)
{
    return QStringLiteral("Re-arm after leaving for %1 minutes")
        .arg(minutes > 0 ? minutes : AlertFlags::kRearmMenuMinutes);
}

void Settings::saveini()
{
    write(QStringLiteral("MIN_DISTANCE"), trimBlanks(m_c.txtRadius->text()));
    write(QStringLiteral("AUDIBLE_ALARM"), BoolToText(m_flags.gblnAudibleAlarm));
    write(QStringLiteral("BRING_TO_FRONT"), BoolToText(m_flags.gblnBringToFront));
    const bool minimized = m_c.window->windowState() & Qt::WindowMinimized;
    if (!minimized && m_c.capturePosition)
        m_c.capturePosition();
    write(QStringLiteral("LEFT"), QString::number(*m_c.intLastLeft));
    write(QStringLiteral("TOP"), QString::number(*m_c.intLastTop));
    write(QStringLiteral("MINIMIZED"), BoolToText(minimized));
}

void Settings::mnuAlarm_Click()
{
    m_flags.gblnAudibleAlarm = !m_flags.gblnAudibleAlarm;
    m_c.mnuAlarm->setChecked(m_flags.gblnAudibleAlarm);
    write(QStringLiteral("AUDIBLE_ALARM"), BoolToText(m_flags.gblnAudibleAlarm));
}

void Settings::mnuAlarmBringToFront_Click()
{
    m_flags.gblnBringToFront = !m_flags.gblnBringToFront;
    m_c.mnuAlarmBringToFront->setChecked(m_flags.gblnBringToFront);
    write(QStringLiteral("BRING_TO_FRONT"), BoolToText(m_flags.gblnBringToFront));
}

void Settings::mnuOptionsStations_Click()
{
    m_flags.gblnScanStations = !m_flags.gblnScanStations;
    m_c.mnuOptionsStations->setChecked(m_flags.gblnScanStations);
    write(QStringLiteral("SCAN_STATIONS"), BoolToText(m_flags.gblnScanStations));
    enable_disable_stations();
}

void Settings::mnuOptionsOverlays_Click()
{
    m_flags.gblnScanOverlays = !m_flags.gblnScanOverlays;
    m_c.mnuOptionsOverlays->setChecked(m_flags.gblnScanOverlays);
    write(QStringLiteral("SCAN_OVERLAYS"), BoolToText(m_flags.gblnScanOverlays));
    enable_disable_overlays();
}

void Settings::mnuOptionsNotify_Click()
{
    toggleAlert("NOTIFY");
}

void Settings::mnuOptionsSpeak_Click()
{
    toggleAlert("SPEAK");
}

void Settings::mnuOptionsDirect_Click()
{
    toggleAlert("DIRECT");
}

void Settings::mnuOptionsNoWeather_Click()
{
    toggleAlert("NO_WEATHER");
}

void Settings::mnuOptionsNoInfrastructure_Click()
{
    toggleAlert("NO_INFRASTRUCTURE");
}

void Settings::mnuOptionsApproach_Click()
{
    toggleAlert("APPROACH");
}

void Settings::mnuOptionsSirenNewOnly_Click()
{
    toggleAlert("SIREN_NEW_ONLY");
}

void Settings::mnuOptionsKeepWatch_Click()
{
    toggleAlert("KEEP_WATCH");
}

void Settings::mnuOptionsAtOnce_Click()
{
    toggleAlert("AT_ONCE");
}

void Settings::mnuOptionsRearm_Click()
{
    if (!m_alerts)
        return;
    int &minutes = m_alerts->rearmAfterMinutes;
    minutes = minutes != 0 ? 0 : AlertFlags::kRearmMenuMinutes;
    if (QAction *item = m_c.mnuOptionsRearm) {
        item->setChecked(minutes != 0);
        item->setText(rearmItemText(minutes));
    }
    write(QStringLiteral("REARM_AFTER_MINUTES"), QString::number(minutes), alertsSection);
}

void Settings::setApproachMinutes(int minutes)
{
    if (!m_alerts)
        return;
    m_alerts->approachMinutes
        = std::clamp(minutes, AlertFlags::kMinApproachMinutes, AlertFlags::kMaxApproachMinutes);
    write(QStringLiteral("APPROACH_MINUTES"), QString::number(m_alerts->approachMinutes), alertsSection);
}

void Settings::enable_disable_stations()
{
    const bool on = m_flags.gblnScanStations;
    m_c.lstStations->clear();
    if (!on)
        m_c.lstStations->addItem(QStringLiteral("disabled"));
    for (QWidget *control : {static_cast<QWidget *>(m_c.lstStations), static_cast<QWidget *>(m_c.cmdAck),
                             static_cast<QWidget *>(m_c.cmdRearm), static_cast<QWidget *>(m_c.cmdAckAll),
                             static_cast<QWidget *>(m_c.cmdRearmAll)})
        control->setEnabled(on);
}

void Settings::enable_disable_overlays()
{
    m_c.lstOverlayItems->setEnabled(m_flags.gblnScanOverlays);
}

} // namespace nearbell
