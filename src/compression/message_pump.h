#pragma once

// Host service: handles the host's pending window messages and returns without
// waiting when there are none. Long jobs call it so that the window stays alive.
class TMessagePump {
public:
    virtual ~TMessagePump() = default;
    virtual void ProcessMessages() = 0;
};
