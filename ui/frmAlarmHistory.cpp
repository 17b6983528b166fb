#include "ui/frmAlarmHistory.h"

#include "monitor/AlarmHistory.h"
#include "platform/DesktopOpener.h"
#include "platform/MessageDisplay.h"

#include <QPointer>

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

namespace nearbell {

namespace {

constexpr int kCallsignColumn = 1;
constexpr int kDistanceColumn = 2;
constexpr int kBearingColumn = 4;

} // namespace

frmAlarmHistory::frmAlarmHistory(const AlarmHistory &history, DesktopOpener &opener, MessageDisplay &messages,
                                 QString caption, QWidget *parent)
    : QDialog(parent), m_history(history), m_opener(opener), m_messages(messages), m_caption(std::move(caption))
{
    setObjectName(QStringLiteral("frmAlarmHistory"));
    setWindowTitle(QStringLiteral("Alarm history"));
    resize(720, 420);

    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(QStringLiteral("Callsign"));
    txtFilter->setClearButtonEnabled(true);
    cmdOpenFolder = new QPushButton(QStringLiteral("Open folder"), this);
    cmdOpenFolder->setObjectName(QStringLiteral("cmdOpenFolder"));
    cmdOpenFolder->setAutoDefault(false);

    m_model = new QStandardItemModel(0, int(AlarmHistory::columns().size()), this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Time (UTC)"), QStringLiteral("Callsign"),
                                        QStringLiteral("Distance"), QStringLiteral("Unit"),
                                        QStringLiteral("Bearing"), QStringLiteral("Reason"),
                                        QStringLiteral("Source")});
    m_filter = new QSortFilterProxyModel(this);
    m_filter->setSourceModel(m_model);
    m_filter->setFilterKeyColumn(kCallsignColumn);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    // Numbers sort as numbers, the rest as text.
    m_filter->setSortRole(Qt::UserRole);

    grdAlarms = new QTableView(this);
    grdAlarms->setObjectName(QStringLiteral("grdAlarms"));
    grdAlarms->setModel(m_filter);
    grdAlarms->setSortingEnabled(true);
    grdAlarms->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdAlarms->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdAlarms->verticalHeader()->hide();
    grdAlarms->horizontalHeader()->setStretchLastSection(true);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Callsign:"), this));
    top->addWidget(txtFilter, 1);
    top->addWidget(cmdOpenFolder);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grdAlarms, 1);

    connect(txtFilter, &QLineEdit::textChanged, m_filter, &QSortFilterProxyModel::setFilterFixedString);
    connect(cmdOpenFolder, &QPushButton::clicked, this, &frmAlarmHistory::cmdOpenFolder_Click);
}

void frmAlarmHistory::reload()
{
    m_model->removeRows(0, m_model->rowCount());
    const QList<QStringList> rows = m_history.readNewest();
    const int columns = m_model->columnCount();
    for (const QStringList &row : rows) {
        QList<QStandardItem *> items;
        for (int c = 0; c < columns; ++c) {
            const QString text = row.value(c);
            auto *item = new QStandardItem(text);
            bool number = false;
            const double value = text.toDouble(&number);
            const bool numeric = (c == kDistanceColumn || c == kBearingColumn) && number;
            item->setData(numeric ? QVariant(value) : QVariant(text), Qt::UserRole);
            items.append(item);
        }
        m_model->appendRow(items);
    }
    // Newest first, as read; a click on a heading sorts by that column.
    grdAlarms->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_filter->sort(-1);
    grdAlarms->resizeColumnsToContents();
}

QList<QStringList> frmAlarmHistory::shownRows() const
{
    QList<QStringList> rows;
    for (int r = 0; r < m_filter->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < m_filter->columnCount(); ++c)
            row.append(m_filter->index(r, c).data().toString());
        rows.append(row);
    }
    return rows;
}

void frmAlarmHistory::cmdOpenFolder_Click()
{
    const QString folder = QFileInfo(m_history.path()).absolutePath();
    const QPointer<QWidget> owner(this);
    const auto tell = [&messages = m_messages, caption = m_caption, owner, folder](const QString &failure) {
        messages.show(owner, caption,
                        QStringLiteral("The folder of the alarm history cannot be opened: %1.\n\nOpen it by hand:\n%2")
                            .arg(failure, folder),
                        MessageDisplay::Icon::Warning);
    };
    QString failure;
    try {
        if (!m_opener.openWatched(QUrl::fromLocalFile(folder).toString(), tell))
            failure = QStringLiteral("no program to show folders was found");
    } catch (const DesktopOpenError &error) {
        failure = error.description();
    }
    if (!failure.isEmpty())
        tell(failure);
}

} // namespace nearbell
