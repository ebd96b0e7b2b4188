#pragma once

#include <bitset>
#include <cstdint>
#include <deque>

#include "peripherals/keyboard.h"

// Host key presses and releases in the order they happened, handed to the
// keyboard scan so that none is lost between two scans: a scan takes the next
// event that changes a key once the last change has stood for holdScans scans.
// A key pressed and released between two scans is seen down, then up, for
// that many scans each, as the MSX's keyboard routine needs to notice it, and
// fast typing arrives whole and in order; keys held longer are not delayed.
class TKeyQueue : public TKeyState {
public:
    // More events than this (the machine stopped while keys were typed) are
    // taken at once: the queue never grows without bound.
    static constexpr std::size_t maximumEvents = 512;
    // Three scans down and three up is what the system's keyboard routine is
    // seen to need for every key to register; two loses some.
    static constexpr int holdScans = 3;

    void Press(std::uint8_t keyCode) { Add(keyCode, true); }
    void Release(std::uint8_t keyCode) { Add(keyCode, false); }
    // Releases every key that is down or queued down, after the queued events.
    void ReleaseAll();
    // Whether the key is down once every queued event has been taken.
    bool IsHeld(std::uint8_t keyCode) const;

    std::bitset<256> GetKeysDown() override;

private:
    struct TKeyEvent {
        std::uint8_t keyCode;
        bool down;
    };
    void Add(std::uint8_t keyCode, bool down);

    std::deque<TKeyEvent> events;
    std::bitset<256> keysDown;
    int scansSinceChange = holdScans;
};
