#pragma once

#include "services/message_pump.h"

// The message pump of the Qt thread.
class TQtMessagePump : public TMessagePump {
public:
    void ProcessMessages() override;
    void WaitForMessages(std::chrono::nanoseconds duration) override;
};
