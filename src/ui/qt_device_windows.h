#pragma once

#include <QWidget>
#include <functional>

#include "machine/host_services.h"

// Makes the devices' windows as Qt windows of the owner. The debug windows
// call windowClosed once their device knows they are closed, so that the run
// loop stops processing messages before every step when none is left.
class TQtDeviceWindows : public TDeviceWindows {
public:
    TQtDeviceWindows(QWidget& owner, std::function<void()> windowClosed)
        : owner(owner), windowClosed(std::move(windowClosed)) {}

    std::unique_ptr<TZ80DebugForm> CreateZ80Form(TPCZ80& processor) override;
    std::unique_ptr<TMemoryDebugForm> CreateMemoryForm(TPCMemorySelector& selector) override;
    std::unique_ptr<TVideoDebugForm> CreateVideoForm(TPCV9918& vdp) override;
    std::unique_ptr<TCassetteWindow> CreateCassetteWindow(TPCCassette& cassette) override;

private:
    QWidget& owner;
    std::function<void()> windowClosed;
};
