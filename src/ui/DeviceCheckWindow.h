#pragma once

#include <QDialog>

class ElidedLabel;
class QLabel;
class QPushButton;
struct DeviceCheckView;

// The modal "Insert Disk" window of the device check: the drive's picture, a
// heading, the reason the disk in the drive will not do, the disk that is in
// the drive, the disk that is required and the name of what it holds. OK asks
// the logic to look at the drive again, Cancel gives up.
class DeviceCheckWindow final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceCheckWindow)

public:
    explicit DeviceCheckWindow(QWidget *parent = nullptr);
    ~DeviceCheckWindow() override;

    // Fills every text and the picture from one pass of the check.
    void SetView(const DeviceCheckView &view);

private:
    QLabel *m_driveImage;
    QLabel *m_heading;
    QLabel *m_message;
    QLabel *m_currentDiskCaption;
    ElidedLabel *m_currentDrive;
    QLabel *m_currentLabelCaption;
    QLabel *m_currentLabel;
    ElidedLabel *m_requiredDrive;
    QLabel *m_requiredLabel;
    QLabel *m_nameCaption;
    QLabel *m_name;
    QPushButton *m_okButton;
    QPushButton *m_cancelButton;
};
