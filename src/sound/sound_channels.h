#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "sound/sound_buffers.h"

// What the PSG and SCC sound subclasses do alike with their channel buffers:
// each channel has one buffer slot and a playing flag, and a tone channel also
// a flag telling that its period is zero.

// Starts a buffer that is to sound and is not playing; stops one that is
// playing and is not to sound.
inline void SwitchChannel(TSoundBuffers& buffers, int slot, bool on, bool& playing) {
    if (on && !playing) {
        buffers.Play(slot);
        playing = true;
    } else if (!on && playing) {
        buffers.Stop(slot);
        playing = false;
    }
}

// The buffer plays at sampleClock / period samples per second. A period of zero
// stops it; the first non-zero period after that starts it again if the channel
// is on.
inline void SetChannelPeriod(TSoundBuffers& buffers, int slot, double sampleClock, std::uint16_t period,
                             bool playing, bool& periodZero) {
    if (period == 0) {
        periodZero = true;
        buffers.Stop(slot);
        return;
    }
    buffers.SetFrequency(slot, static_cast<std::int32_t>(sampleClock / period));
    if (periodZero) {
        if (playing) buffers.Play(slot);
        periodZero = false;
    }
}

// Pausing keeps the playing flags, so that resuming restarts what was sounding.
inline void StopChannels(TSoundBuffers& buffers, std::span<const int> slots, std::span<const bool> playing) {
    for (std::size_t channel = 0; channel < slots.size(); ++channel) {
        if (playing[channel]) buffers.Stop(slots[channel]);
    }
}

inline void ResumeChannels(TSoundBuffers& buffers, std::span<const int> slots, std::span<const bool> playing) {
    for (std::size_t channel = 0; channel < slots.size(); ++channel) {
        if (playing[channel]) buffers.Play(slots[channel]);
    }
}
