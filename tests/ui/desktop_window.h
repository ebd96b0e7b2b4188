#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <functional>
#include <memory>

#include "ui/main_window.h"
#include "ui/modal_answers.h"
#include "ui/qt_desktop_services.h"

// A main window on the desktop's real host services, made as quib makes them:
// the services first, so that they outlive the window. A test may change
// services before the window gets them.
struct TDesktopWindow {
    explicit TDesktopWindow(const TStartOptions& options, std::function<void(TDesktopServices&)> change = {})
        : window(options) {
        TDesktopServices composed = services.Compose(window);
        if (change) change(composed);
        window.SetServices(composed);
    }
    TQtDesktopServices services;
    TMainWindow window;
};

// A test that starts the main window, by default in a machine folder named after the test.
struct DesktopTest : ::testing::Test {
    // Each start is a new session: the window before is gone first.
    void Start(TStartOptions options = {}, std::function<void(TDesktopServices&)> change = {}) {
        if (options.folder.empty()) options.folder = folder;
        desktop.reset();
        desktop = std::make_unique<TDesktopWindow>(options, change);
        window = &desktop->window;
        window->show();
        QApplication::processEvents();
    }
    // The cartridge in the slot of the first cartridge entry.
    TROMCartridge* FirstCartridge() const {
        const TCartridgeSlot slot = window->preferences.cartridgeSlots[0];
        return currentMachine->GetCartridge(slot.primary, slot.secondary == 255 ? 0 : slot.secondary);
    }
    std::filesystem::path folder = MachineFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
    std::unique_ptr<TDesktopWindow> desktop;
    TMainWindow* window = nullptr;
};
