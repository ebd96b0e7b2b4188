#pragma once

#include <string>

#include "services/message_pump.h"

class TClock;
class TDisplayOutput;
class TJoystickService;
class TKeyState;
class TPrinterPorts;
class TSoundBuffers;

// Host service: message boxes. OK boxes carry a caption such as "Warning";
// Yes/No boxes ask for a decision and answer true for Yes.
class TUserMessages {
public:
    virtual ~TUserMessages() = default;
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
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
    TSoundBuffers& soundBuffers;
};
