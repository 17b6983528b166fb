#pragma once

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace nearbell {

// The text lines of one list box, sorted or in the order added.
//
// Responsibilities:
//  - hold the lines; a sorted list keeps them in ascending order with letter
//    case ignored, lines equal but for case in the order they were added;
//  - take added lines at once for every reader (count, text, lines) but
//    announce them to the view in batches: at most one batch per
//    flushIntervalMs, or when a reader needs the rows, so a scan that adds
//    thousands of lines between two repaints costs the view one update,
//    not one layout per line;
//  - announce a batch as the rows it inserts, so that listeners learn which
//    lines came; only a batch spread over many places between present lines
//    goes in as one layout change;
//  - keep the view's selection and current row on their lines while a batch
//    goes in;
//  - count every change (revision), so look-ups built on the lines know when
//    they are stale.
class ListBoxModel : public QAbstractListModel
{
    Q_OBJECT
public:
    static constexpr int flushIntervalMs = 40;
    // A batch falling into more places than this between present lines is
    // merged in one pass and announced as a layout change.
    static constexpr int maxInsertRuns = 32;

    explicit ListBoxModel(bool sorted, QObject *parent = nullptr);

    bool isSorted() const { return m_sorted; }

    int count() const { return int(m_rows.size() + m_pending.size()); }
    // Line i (0-based) in list order; empty when i is out of range.
    QString text(int row);
    QStringList lines();

    void add(const QString &line);
    void add(const QStringList &lines);
    void removeAt(int row);
    void clear();

    // Announces the lines added since the last batch.
    void flush();

    quint64 revision() const { return m_revision; }

    // The ordering of a sorted list: letter case ignored.
    static bool lessIgnoringCase(const QString &a, const QString &b);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    void pendingAdded();
    void mergePending(QStringList &incoming);
    // Inserts sorted lines run by run; false (and nothing done) when they
    // fall into more than maxInsertRuns places.
    bool insertRuns(QStringList &incoming);

    bool m_sorted;
    QStringList m_rows;    // announced to the view
    QStringList m_pending; // added, not yet announced (in the order added)
    QTimer m_flushTimer;
    quint64 m_revision = 0;
};

} // namespace nearbell
