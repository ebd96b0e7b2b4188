#pragma once

#include <chrono>
#include <thread>

// Host service: handles the host's pending window messages and returns without
// waiting when there are none. Long jobs call it so that the window stays alive.
class TMessagePump {
public:
    virtual ~TMessagePump() = default;
    virtual void ProcessMessages() = 0;
    // Handles messages as they come until the time is up, leaving the host
    // processor idle meanwhile; the paced run loop waits here for the next frame.
    virtual void WaitForMessages(std::chrono::nanoseconds duration) {
        std::this_thread::sleep_for(duration);
        ProcessMessages();
    }
};

// For hosts without windows.
class TNoMessagePump : public TMessagePump {
public:
    void ProcessMessages() override {}
};
