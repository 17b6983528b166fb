#include "ui/ListBoxModel.h"

#include <algorithm>
#include <vector>

namespace nearbell {

ListBoxModel::ListBoxModel(bool sorted, QObject *parent) : QAbstractListModel(parent), m_sorted(sorted)
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(flushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &ListBoxModel::flush);
}

bool ListBoxModel::lessIgnoringCase(const QString &a, const QString &b)
{
    // Callsign lines are plain ASCII: fold A-Z here, and leave anything else
    // to Qt's case folding from the first character outside ASCII on.
    const qsizetype n = std::min(a.size(), b.size());
    const QChar *pa = a.constData();
    const QChar *pb = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
        char16_t ca = pa[i].unicode();
        char16_t cb = pb[i].unicode();
        if (ca == cb)
            continue;
        if (ca >= 128 || cb >= 128)
            return QStringView(a).sliced(i).compare(QStringView(b).sliced(i), Qt::CaseInsensitive) < 0;
        if (ca >= u'A' && ca <= u'Z')
            ca = char16_t(ca + 32);
        if (cb >= u'A' && cb <= u'Z')
            cb = char16_t(cb + 32);
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

QString ListBoxModel::text(int row)
{
    flush();
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : QString();
}

QStringList ListBoxModel::lines()
{
    flush();
    return m_rows;
}

void ListBoxModel::add(const QString &line)
{
    m_pending.append(line);
    pendingAdded();
}

void ListBoxModel::add(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    m_pending.append(lines);
    pendingAdded();
}

void ListBoxModel::pendingAdded()
{
    ++m_revision;
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void ListBoxModel::removeAt(int row)
{
    flush();
    if (row < 0 || row >= m_rows.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.removeAt(row);
    ++m_revision;
    endRemoveRows();
}

void ListBoxModel::clear()
{
    m_flushTimer.stop();
    beginResetModel();
    m_rows.clear();
    m_pending.clear();
    ++m_revision;
    endResetModel();
}

void ListBoxModel::flush()
{
    m_flushTimer.stop();
    if (m_pending.isEmpty())
        return;
    QStringList incoming;
    incoming.swap(m_pending);
    if (m_sorted)
        std::stable_sort(incoming.begin(), incoming.end(), lessIgnoringCase);

    // Lines that all go after the present ones are one contiguous insertion;
    // only a batch that falls between present lines needs a merge.
    if (!m_sorted || m_rows.isEmpty() || !lessIgnoringCase(incoming.first(), m_rows.last())) {
        const int first = int(m_rows.size());
        beginInsertRows(QModelIndex(), first, first + int(incoming.size()) - 1);
        m_rows.append(std::move(incoming));
        endInsertRows();
        return;
    }
    if (!insertRuns(incoming))
        mergePending(incoming);
}

bool ListBoxModel::insertRuns(QStringList &incoming)
{
    // Where each incoming line goes: after every present line not greater,
    // so a line equal but for case follows the one added before it.
    struct Run
    {
        qsizetype at;    // row in m_rows before the insertion
        qsizetype first; // first line of incoming
        qsizetype size;
    };
    std::vector<Run> runs;
    for (qsizetype j = 0; j < incoming.size(); ++j) {
        const qsizetype at = std::upper_bound(m_rows.cbegin(), m_rows.cend(), incoming.at(j), lessIgnoringCase)
                             - m_rows.cbegin();
        if (!runs.empty() && runs.back().at == at) {
            ++runs.back().size;
            continue;
        }
        if (runs.size() == size_t(maxInsertRuns))
            return false;
        runs.push_back({at, j, 1});
    }
    // From the last run back, so that the rows before each stay where they were.
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        beginInsertRows(QModelIndex(), int(run->at), int(run->at + run->size - 1));
        for (qsizetype k = 0; k < run->size; ++k)
            m_rows.insert(run->at + k, std::move(incoming[run->first + k]));
        endInsertRows();
    }
    return true;
}

void ListBoxModel::mergePending(QStringList &incoming)
{
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    const qsizetype present = m_rows.size();
    std::vector<int> newRowOf(before.isEmpty() ? 0 : size_t(present));

    // A line equal to a present one but for case goes after it: the order
    // stays the order of adding.
    QStringList merged;
    merged.reserve(present + incoming.size());
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < present || j < incoming.size()) {
        if (j == incoming.size() || (i < present && !lessIgnoringCase(incoming.at(j), m_rows.at(i)))) {
            if (!newRowOf.empty())
                newRowOf[size_t(i)] = int(merged.size());
            merged.append(std::move(m_rows[i++]));
        } else {
            merged.append(std::move(incoming[j++]));
        }
    }
    m_rows = std::move(merged);

    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &old : before)
        after.append(old.row() < present ? index(newRowOf[size_t(old.row())]) : QModelIndex());
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

int ListBoxModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ListBoxModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole)
        return m_rows.at(index.row());
    return {};
}

} // namespace nearbell
