#pragma once

#include <functional>

#include "ui/main_window.h"
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
