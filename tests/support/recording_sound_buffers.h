#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sound/sound_buffers.h"

// Sound buffers that only remember what they were asked: the rate and volume as
// given (no limit applied), the bytes written, and whether each one plays.
class TRecordingSoundBuffers : public TSoundBuffers {
public:
    struct TBuffer {
        bool inUse = false;
        bool playing = false;
        std::int32_t rate = 0;
        std::int32_t volume = 0;
        std::vector<std::uint8_t> bytes;
        int plays = 0;  // tells a restart from a buffer left running
    };

    int CreateBuffer(std::int32_t samplesPerSecond, int, std::int32_t sizeInBytes) override {
        for (int slot = 0; slot < slotCount; ++slot) {
            if (buffers[slot].inUse) continue;
            buffers[slot] = {true, false, samplesPerSecond, 0, std::vector<std::uint8_t>(sizeInBytes), 0};
            return slot;
        }
        return -1;
    }
    int ReleaseBuffer(int slot) override {
        if (!InUse(slot)) return -1;
        buffers[slot] = {};
        return 0;
    }
    int WriteBuffer(int slot, const std::uint8_t* data, std::int32_t length) override {
        if (InUse(slot)) buffers[slot].bytes.assign(data, data + length);
        return 0;
    }
    void Play(int slot) override {
        if (!InUse(slot)) return;
        buffers[slot].playing = true;
        ++buffers[slot].plays;
    }
    void Stop(int slot) override {
        if (InUse(slot)) buffers[slot].playing = false;
    }
    void SetFrequency(int slot, std::int32_t rate) override {
        if (InUse(slot)) buffers[slot].rate = rate;
    }
    void SetVolume(int slot, std::int32_t hundredthsOfDecibel) override {
        if (InUse(slot)) buffers[slot].volume = hundredthsOfDecibel;
    }

    bool InUse(int slot) const { return slot >= 0 && slot < slotCount && buffers[slot].inUse; }
    int InUseCount() const {
        int count = 0;
        for (const TBuffer& buffer : buffers) count += buffer.inUse;
        return count;
    }

    std::array<TBuffer, slotCount> buffers;
};
