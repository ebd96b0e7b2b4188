#pragma once

// Host service: dispatches every pending window message and returns without
// waiting when there is none. The emulation runs on the window thread, so this
// is how menus, dialogs and painting get their turn.
class TMessagePump {
public:
    virtual ~TMessagePump() = default;
    virtual void ProcessMessages() = 0;
};

// For hosts without windows.
class TNoMessagePump : public TMessagePump {
public:
    void ProcessMessages() override {}
};
