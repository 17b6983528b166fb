#include "ui/frmStations.h"

#include "ui/PopupMenuPresenter.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace nearbell {

frmStations::frmStations(PopupMenuPresenter &popups, QWidget *parent)
    : QWidget(parent, Qt::Window), m_popups(popups)
{
    setObjectName(QStringLiteral("frmStations"));
    setWindowTitle(QStringLiteral("Nearbell stations"));
    setWindowIcon(QIcon(QStringLiteral(":/nearbell/nearbell.png")));

    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(QStringLiteral("Callsign, comment or symbol"));
    txtFilter->setClearButtonEnabled(true);
    txtFilter->setAccessibleName(QStringLiteral("Filter"));
    chkInRange = new QCheckBox(QStringLiteral("Only stations in range or watched"), this);
    chkInRange->setObjectName(QStringLiteral("chkInRange"));
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lblCount->setTextFormat(Qt::PlainText);

    m_model = new StationTableModel(this);
    tblStations = new QTableView(this);
    tblStations->setObjectName(QStringLiteral("tblStations"));
    tblStations->setAccessibleName(QStringLiteral("Stations"));
    tblStations->setModel(m_model);
    tblStations->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblStations->setSelectionMode(QAbstractItemView::SingleSelection);
    tblStations->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblStations->setWordWrap(false);
    tblStations->setContextMenuPolicy(Qt::CustomContextMenu);
    tblStations->verticalHeader()->hide();
    // Rows of one height: laying out 32,767 of them measures none.
    tblStations->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tblStations->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    tblStations->horizontalHeader()->setSectionsMovable(true);
    tblStations->horizontalHeader()->setStretchLastSection(true);
    tblStations->horizontalHeader()->setSortIndicator(m_model->sortColumn(), m_model->sortOrder());
    tblStations->setSortingEnabled(true);
    tblStations->installEventFilter(this);
    const int widths[StationTableModel::ColumnCount] = {90, 130, 90, 70, 55, 85, 85, 90, 75, 60, 140, 150, 220, 90};
    // Wide enough for the header, whatever the font and unit.
    const QHeaderView *header = tblStations->horizontalHeader();
    for (int c = 0; c < StationTableModel::ColumnCount; ++c)
        tblStations->setColumnWidth(c, std::max(widths[c], header->sectionSizeHint(c) + 12));

    mnuStations = new QMenu(QStringLiteral("Stations"), this);
    mnuStations->setObjectName(QStringLiteral("mnuStations"));
    mnuStationsDetails = mnuStations->addAction(QStringLiteral("Details..."));
    mnuStationsAck = mnuStations->addAction(QStringLiteral("Acknowledge"));
    mnuStationsRearm = mnuStations->addAction(QStringLiteral("Re-arm"));
    mnuStationsWatch = mnuStations->addAction(QStringLiteral("Add to watch list"));
    mnuStations->setToolTipsVisible(true);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Filter:"), this));
    top->addWidget(txtFilter, 1);
    top->addWidget(chkInRange);
    top->addWidget(lblCount);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(tblStations, 1);
    resize(1100, 480);

    connect(txtFilter, &QLineEdit::textChanged, this,
            [this](const QString &text) { keepingPlace([&] { m_model->setFilterText(text); }); });
    connect(chkInRange, &QCheckBox::toggled, this,
            [this](bool only) { keepingPlace([&] { m_model->setOnlyInRangeOrWatched(only); }); });
    connect(tblStations, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (const StationRow *row = m_model->rowAt(index.row()))
            emit detailsRequested(row->callsign);
    });
    connect(tblStations, &QWidget::customContextMenuRequested, this, [this](QPoint pos) {
        const QModelIndex index = tblStations->indexAt(pos);
        if (index.isValid())
            showMenuAt(index.row());
    });
    connect(mnuStationsDetails, &QAction::triggered, this, [this] {
        const QString callsign = selectedCallsign();
        if (!callsign.isEmpty())
            emit detailsRequested(callsign);
    });
    showCount();
}

template <typename Change>
void frmStations::keepingPlace(Change change)
{
    // A station the filter hid is selected again once it is shown again.
    QString selected = selectedCallsign();
    if (selected.isEmpty())
        selected = m_hiddenSelection;
    const int vertical = tblStations->verticalScrollBar()->value();
    const int horizontal = tblStations->horizontalScrollBar()->value();
    change();
    // The scroll bars take their new range from the layout, done now.
    tblStations->doItemsLayout();
    m_hiddenSelection = selected.isEmpty() || selectCallsign(selected) ? QString() : selected;
    tblStations->verticalScrollBar()->setValue(vertical);
    tblStations->horizontalScrollBar()->setValue(horizontal);
    showCount();
}

void frmStations::setRows(std::vector<StationRow> rows, const QDateTime &now)
{
    keepingPlace([&] { m_model->setRows(std::move(rows), now); });
}

void frmStations::showCount()
{
    const int shown = m_model->rowCount();
    const int all = m_model->stationCount();
    lblCount->setText(shown == all ? QStringLiteral("%1 stations").arg(all)
                                   : QStringLiteral("%1 of %2 stations").arg(shown).arg(all));
}

QString frmStations::selectedCallsign() const
{
    const QModelIndexList rows = tblStations->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return QString();
    const StationRow *row = m_model->rowAt(rows.first().row());
    return row ? row->callsign : QString();
}

bool frmStations::selectCallsign(const QString &callsign)
{
    const int row = m_model->rowOf(callsign);
    if (row < 0)
        return false;
    tblStations->selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

void frmStations::showMenuAt(int row)
{
    const StationRow *station = m_model->rowAt(row);
    if (!station)
        return;
    const QString callsign = station->callsign;
    selectCallsign(callsign);
    emit menuAbout(callsign);
    const QRect cell = tblStations->visualRect(m_model->index(row, 0));
    m_popups.popup(mnuStations, tblStations->viewport()->mapToGlobal(cell.center()));
}

bool frmStations::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tblStations && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QString callsign = selectedCallsign();
            if (!callsign.isEmpty())
                emit detailsRequested(callsign);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmStations::closeEvent(QCloseEvent *event)
{
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace nearbell
