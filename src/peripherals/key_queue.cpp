#include "peripherals/key_queue.h"

void TKeyQueue::Add(std::uint8_t keyCode, bool down) {
    if (keyCode == 0) return;
    events.push_back({keyCode, down});
    while (events.size() > maximumEvents) {
        keysDown.set(events.front().keyCode, events.front().down);
        events.pop_front();
    }
}

bool TKeyQueue::IsHeld(std::uint8_t keyCode) const {
    bool held = keysDown[keyCode];
    for (const TKeyEvent& event : events) {
        if (event.keyCode == keyCode) held = event.down;
    }
    return held;
}

void TKeyQueue::ReleaseAll() {
    for (int keyCode = 1; keyCode < 256; ++keyCode) {
        if (IsHeld(static_cast<std::uint8_t>(keyCode))) Add(static_cast<std::uint8_t>(keyCode), false);
    }
}

std::bitset<256> TKeyQueue::GetKeysDown() {
    if (scansSinceChange < holdScans) ++scansSinceChange;
    if (scansSinceChange < holdScans) return keysDown;
    while (!events.empty()) {
        const TKeyEvent event = events.front();
        events.pop_front();
        // A press of a key that is down, or a release of one that is up, changes nothing.
        if (keysDown[event.keyCode] == event.down) continue;
        keysDown.set(event.keyCode, event.down);
        scansSinceChange = 0;
        break;
    }
    return keysDown;
}
