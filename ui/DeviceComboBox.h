#pragma once

#include <QComboBox>

#include <functional>

namespace nearbell {

// The serial-device box of the set-up window: any path may be typed, and
// its drop-down lists the ports found when it opens, so that a TNC plugged
// in meanwhile is offered too; with none found it says so.
class DeviceComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DeviceComboBox(QWidget *parent = nullptr);

    // The ports to offer, asked afresh each time the list opens.
    std::function<QStringList()> devices;
    // Fills the list from devices(), keeping what is typed.
    void refresh();
    void showPopup() override;
};

} // namespace nearbell
