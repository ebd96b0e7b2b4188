#pragma once

#include <QWidget>

#include "machine/pc_devices.h"

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

// "Cassette controls": the motor and record state, the tape position and the
// transport buttons of the recorder.
class TPCCassetteForm : public QWidget, public TCassetteWindow {
    Q_OBJECT

public:
    TPCCassetteForm(TPCCassette& cassette, QWidget* owner);

    void Show() override { show(); }
    void UpdateWindowSetup() override;
    void UpdateStatus();

    // minutes:seconds:frames of emulated tape time, at least two digits each.
    static QString PositionText(std::int32_t position, std::int32_t instructionsPerSample);

    void btnRecordClick();
    void btnRewindClick();
    void btnBackwardClick();
    void btnStopClick();
    void btnlayClick();
    void btnForwardClick();
    void casTimerTimer() { UpdateStatus(); }

    QLabel* lblPosition;
    QLabel* lblMotor;
    QLabel* lblRecording;
    // The tape's file name, or that there is none.
    QLabel* lblTape;
    QSlider* barPosition;
    QPushButton* btnRecord;
    QPushButton* btnRewind;
    QPushButton* btnBackward;
    QPushButton* btnStop;
    QPushButton* btnlay;
    QPushButton* btnForward;
    QTimer* casTimer;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The tape's length in minutes: 10, 15, 30 or 45.
    int Minutes() const;
    // One tape minute, in samples.
    std::int32_t MinuteOfTape() const;

    TPCCassette& cassette;
};
