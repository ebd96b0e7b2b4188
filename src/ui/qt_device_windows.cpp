#include "ui/qt_device_windows.h"

#include "ui/memory_form.h"
#include "ui/pc_cassette_form.h"
#include "ui/pc_z80_form.h"
#include "ui/v9918_form.h"

std::unique_ptr<TZ80DebugForm> TQtDeviceWindows::CreateZ80Form(TPCZ80& processor) {
    return std::make_unique<TPCZ80Form>(processor, windowClosed, &owner);
}

std::unique_ptr<TMemoryDebugForm> TQtDeviceWindows::CreateMemoryForm(TPCMemorySelector& selector) {
    return std::make_unique<TMemoryForm>(selector, windowClosed, &owner);
}

std::unique_ptr<TVideoDebugForm> TQtDeviceWindows::CreateVideoForm(TPCV9918& vdp) {
    return std::make_unique<TV9918Form>(vdp, windowClosed, &owner);
}

std::unique_ptr<TCassetteWindow> TQtDeviceWindows::CreateCassetteWindow(TPCCassette& cassette) {
    return std::make_unique<TPCCassetteForm>(cassette, &owner);
}
