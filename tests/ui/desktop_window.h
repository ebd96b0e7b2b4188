#pragma once

#include "ui/main_window.h"
#include "ui/qt_desktop_services.h"

// A main window on the desktop's real host services, made as quib makes them:
// the services first, so that they outlive the window.
struct TDesktopWindow {
    explicit TDesktopWindow(const TStartOptions& options) : window(options) {
        window.SetServices(services.Compose(window));
    }
    TQtDesktopServices services;
    TMainWindow window;
};
