#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

namespace nearbell {

class AlarmHistory;
class DesktopOpener;
class MessageDisplay;

// The alarm history window.
//
// Responsibilities:
//  - show the newest alarms of the history files, newest first, in columns
//    the user can sort by clicking their headings;
//  - narrow the rows to callsigns holding the text of the filter box (any
//    letter case);
//  - open the folder of the history file on the desktop, and say in a box
//    (titled caption) why not, with the folder's path, when that fails;
//  - show a damaged line of the file as one row saying so.
// The rows are read afresh by reload(), each time the window is opened.
class frmAlarmHistory : public QDialog
{
    Q_OBJECT
public:
    frmAlarmHistory(const AlarmHistory &history, DesktopOpener &opener, MessageDisplay &messages,
                    QString caption, QWidget *parent = nullptr);

    void reload();
    // The rows as shown, top to bottom (for tests).
    QList<QStringList> shownRows() const;

    QLineEdit *txtFilter = nullptr;
    QTableView *grdAlarms = nullptr;
    QPushButton *cmdOpenFolder = nullptr;

private:
    void cmdOpenFolder_Click();

    const AlarmHistory &m_history;
    DesktopOpener &m_opener;
    MessageDisplay &m_messages;
    QString m_caption;
    QStandardItemModel *m_model = nullptr;
    QSortFilterProxyModel *m_filter = nullptr;
};

} // namespace nearbell
