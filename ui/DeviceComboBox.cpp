#include "ui/DeviceComboBox.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QStandardItemModel>

namespace nearbell {

DeviceComboBox::DeviceComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void DeviceComboBox::refresh()
{
    const QString typed = currentText();
    const QSignalBlocker block(this);
    const QSignalBlocker blockEdit(lineEdit());
    clear();
    const QStringList found = devices ? devices() : QStringList();
    addItems(found);
    if (found.isEmpty()) {
        addItem(QStringLiteral("No serial ports found"));
        if (auto *items = qobject_cast<QStandardItemModel *>(model()))
            items->item(0)->setEnabled(false);
    }
    setCurrentIndex(-1);
    setEditText(typed);
}

void DeviceComboBox::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

} // namespace nearbell
