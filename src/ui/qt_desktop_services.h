#pragma once

#include <memory>

#include "host/cups_printer_ports.h"
#include "host/qt_display_output.h"
#include "host/qt_key_state.h"
#include "host/qt_message_pump.h"
#include "host/qt_user_messages.h"
#include "host/sdl_joystick_service.h"
#include "host/sdl_sound_output.h"
#include "machine/host_services.h"
#include "ui/qt_device_windows.h"

class TMainWindow;

// The desktop's host services on Qt, SDL2 and CUPS. Made before the main
// window and handed to it once the window exists, so that every service
// outlives the window and the machine the window tears down.
class TQtDesktopServices {
public:
    // Makes the services bound to the window (message boxes over it, the keys of its screen area,
    // the device windows it owns, the display in its screen area) and answers
    // the whole set; the sound and display are opened when the window asks.
    TDesktopServices Compose(TMainWindow& window);

    TQtDisplayOutput* GetDisplayOutput() const { return displayOutput.get(); }

private:
    TQtMessagePump messagePump;
    TSDLJoystickService joystickService;
    TCupsPrinterPorts printerPorts;
    std::unique_ptr<TQtUserMessages> userMessages;
    std::unique_ptr<TQtKeyState> keyState;
    std::unique_ptr<TQtDeviceWindows> deviceWindows;
    std::unique_ptr<TSDLSoundOutput> soundOutput;
    std::unique_ptr<TQtDisplayOutput> displayOutput;
};
