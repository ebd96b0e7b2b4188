#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "services/message_pump.h"

class TCassetteWindow;
class TClock;
class TDisplayOutput;
class TJoystickService;
class TKeyState;
class TMemoryDebugForm;
class TPCCassette;
class TPCMemorySelector;
class TPCV9918;
class TPCZ80;
class TPrinterPorts;
class TSoundOutput;
class TVideoDebugForm;
class TZ80DebugForm;

// Host service: message boxes. OK boxes carry a caption such as "Warning";
// Yes/No boxes ask for a decision and answer true for Yes.
class TUserMessages {
public:
    virtual ~TUserMessages() = default;
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
};

// Host service: the windows of the devices that have one. The machine asks for
// a device's window as it makes the device, and the device owns it, so that a
// rebuilt machine starts with new, hidden windows.
class TDeviceWindows {
public:
    virtual ~TDeviceWindows() = default;
    virtual std::unique_ptr<TZ80DebugForm> CreateZ80Form(TPCZ80& processor) = 0;
    virtual std::unique_ptr<TMemoryDebugForm> CreateMemoryForm(TPCMemorySelector& selector) = 0;
    virtual std::unique_ptr<TVideoDebugForm> CreateVideoForm(TPCV9918& vdp) = 0;
    virtual std::unique_ptr<TCassetteWindow> CreateCassetteWindow(TPCCassette& cassette) = 0;
};

// Everything the host machine's devices need from the outside world; the
// desktop and the headless runner each supply one set. None is owned.
struct THostServices {
    TMessagePump& messagePump;
    TUserMessages& userMessages;
    TDisplayOutput* displayOutput;  // may be null: frames are drawn and not shown
    TKeyState& keyState;
    TJoystickService& joystickService;
    TPrinterPorts& printerPorts;
    const TClock* clock;  // null for the host's local time
    TSoundOutput* soundOutput;  // may be null: no sound is rendered at all
    TDeviceWindows* deviceWindows;  // may be null: no device has a window
};

// Host service: where the machine's sound goes. The chips render it in the
// machine's time at the output's rate; the machine hands over each frame's
// samples, 16-bit mono, as the frame ends.
class TSoundOutput {
public:
    virtual ~TSoundOutput() = default;
    virtual int GetRate() const = 0;
    virtual void Play(std::span<const std::int16_t> samples) = 0;
    // A muted output drops what it is handed and plays silence.
    virtual void SetMuted(bool muted) = 0;
};

// What a desktop host gives its main window: the services that last as long as
// the window, and the two outputs the window opens when it is first shown,
// sound first. Each opener throws std::runtime_error, with a message for the
// user, when the host cannot give its output.
struct TDesktopServices {
    TMessagePump& messagePump;
    TUserMessages& userMessages;
    TKeyState& keyState;
    TJoystickService& joystickService;
    TPrinterPorts& printerPorts;
    TDeviceWindows* deviceWindows;  // may be null: no device has a window
    std::function<TSoundOutput&()> openSound;
    std::function<TDisplayOutput&()> openDisplay;
};
