#include "ui/qt_desktop_services.h"

#include <QFrame>

#include "ui/main_window.h"

TDesktopServices TQtDesktopServices::Compose(TMainWindow& window) {
    userMessages = std::make_unique<TQtUserMessages>(&window);
    userMessages->beforeBox = [&window] { window.PauseSound(); };
    keyState = std::make_unique<TQtKeyState>(*window.screenBevel);
    deviceWindows = std::make_unique<TQtDeviceWindows>(window, [&window] { window.RefreshStepPumping(); });
    return {messagePump,
            *userMessages,
            *keyState,
            joystickService,
            printerPorts,
            deviceWindows.get(),
            [this]() -> TSoundOutput& {
                soundOutput = std::make_unique<TSDLSoundOutput>();
                return *soundOutput;
            },
            [this, &window]() -> TDisplayOutput& {
                displayOutput = std::make_unique<TQtDisplayOutput>(*window.screenBevel);
                return *displayOutput;
            }};
}
