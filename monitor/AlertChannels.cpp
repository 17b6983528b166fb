#include "monitor/AlertChannels.h"

#include "monitor/AlarmHistory.h"
#include "monitor/AlertTexts.h"
#include "monitor/ScanText.h"
#include "platform/DesktopNotifier.h"
#include "platform/Speaker.h"

#include <QAbstractItemModel>
#include "ui/ListBox.h"

#include <utility>

namespace nearbell {

AlertChannels::AlertChannels(ListBox *lstStations, ListBox *lstAcked, const AlertFlags &flags,
                             QObject *parent)
    : QObject(parent), m_lstStations(lstStations), m_lstAcked(lstAcked), m_flags(flags)
{
    m_speechTimer.setSingleShot(true);
    connect(&m_speechTimer, &QTimer::timeout, this, &AlertChannels::speakHeld);
    if (lstAcked) {
        connect(lstAcked->model(), &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex &, int first, int last) { onAckedRowsInserted(first, last); });
        // A large batch goes in as a new layout: which lines came is not
        // said, so every acknowledged callsign counts.
        connect(lstAcked->model(), &QAbstractItemModel::layoutChanged, this, [this] {
            if (const int rows = m_lstAcked ? m_lstAcked->model()->rowCount() : 0)
                onAckedRowsInserted(0, rows - 1);
        });
    }
}

void AlertChannels::setNotifier(DesktopNotifier *notifier)
{
    if (m_notifier)
        disconnect(m_notifier, nullptr, this, nullptr);
    m_notifier = notifier;
    if (notifier)
        connect(notifier, &DesktopNotifier::activated, this, &AlertChannels::showStation);
}

void AlertChannels::onAckedRowsInserted(int first, int last)
{
    if (!m_lstAcked)
        return;
    const QAbstractItemModel *model = m_lstAcked->model();
    for (int row = first; row <= last; ++row)
        m_tracker.acknowledged(model->index(row, 0).data().toString());
}

void AlertChannels::afterStationScans()
{
    if (!m_lstStations)
        return;
    QList<AlarmLine> arrivals = m_tracker.cycle(m_lstStations->lines());
    if (arrivals.isEmpty())
        return;
    if (m_details) {
        for (AlarmLine &arrival : arrivals)
            m_details(arrival);
    }
    if (m_history)
        m_history->record(arrivals, m_unit);

    if (m_flags.notify && m_notifier) {
        const ArrivalNotice notice = arrivalNotice(arrivals, m_unit);
        m_notifier->notify({notice.summary, notice.body, notice.callsign});
    }
    if (m_flags.speak && m_speaker) {
        m_held << spokenArrivals(arrivals, m_unit);
        // A siren of a later cycle does not hold back texts already due.
        if (!m_speechTimer.isActive())
            m_speechTimer.start(qMax(0, m_speechDelay ? m_speechDelay() : 0));
    }
}

void AlertChannels::speakHeld()
{
    const QStringList texts = std::exchange(m_held, {});
    if (m_speaker && !texts.isEmpty())
        m_speaker->speak(texts);
}

void AlertChannels::showStation(const QString &callsign)
{
    if (m_raise)
        m_raise();
    if (!m_lstStations)
        return;
    const QStringList lines = m_lstStations->lines();
    for (int i = 0; i < lines.size(); ++i) {
        if (callsignOfLine(lines[i]) == callsign) {
            m_lstStations->flush();
            m_lstStations->setSelectedRow(i);
            m_lstStations->scrollTo(m_lstStations->model()->index(i, 0));
            return;
        }
    }
}

} // namespace nearbell
