#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "video/pc_v9918.h"

class QLabel;

// "V9918 info": the registers, the status, the address counters, the control
// byte latch, the screen mode and the table positions, as text.
class TV9918Form : public QWidget, public TVideoDebugForm {
    Q_OBJECT

public:
    // closed runs after the VDP has heard of the close.
    TV9918Form(TPCV9918& vdp, std::function<void()> closed, QWidget* owner);

    void Show() override { show(); }
    bool IsVisible() const override { return isVisible(); }
    void Refresh() override;

    std::array<QLabel*, TV9918::registerCount> lblRegisters{};  // lbl00 to lbl07
    QLabel* lblStatus;
    QLabel* lblVRAMRead;
    QLabel* lblVRAMWrite;
    QLabel* Label12;
    QLabel* lblData;
    QLabel* lblscrmode;
    QLabel* lblpatgen;
    QLabel* lblpatnam;
    QLabel* lblcoltab;
    QLabel* lblsprgen;
    QLabel* lblspratt;
    QLabel* lblsprcol;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TPCV9918& vdp;
    std::function<void()> closed;
};
