#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "sound/sound_buffers.h"

// Sound buffers that only remember what they were asked: the rate and volume as
// given (no limit applied), the bytes written, whether each one plays, and the
// envelope (always 0) it follows.
class TRecordingSoundBuffers : public TSoundBuffers {
public:
    struct TBuffer {
        bool inUse = false, playing = false;
        std::int32_t rate = 0, volume = 0;
        std::vector<std::uint8_t> bytes;
        int plays = 0;  // tells a restart from a buffer left running
        int envelope = -1;
        TLevelVolumes envelopeVolumes{};
    };

    int CreateBuffer(std::int32_t rate, int, std::int32_t size) override {
        const auto slot = std::find_if(buffers.begin(), buffers.end(), [](const TBuffer& b) { return !b.inUse; });
        if (slot == buffers.end()) return -1;
        *slot = {true, false, rate, 0, std::vector<std::uint8_t>(size), 0, -1, {}};
        return int(slot - buffers.begin());
    }
    int ReleaseBuffer(int slot) override { Used(slot) = {}; return 0; }
    int WriteBuffer(int slot, const std::uint8_t* data, std::int32_t length) override {
        Used(slot).bytes.assign(data, data + length);
        return 0;
    }
    void Play(int slot) override { Used(slot).playing = true; ++Used(slot).plays; }
    void Stop(int slot) override { Used(slot).playing = false; }
    void SetFrequency(int slot, std::int32_t rate) override { Used(slot).rate = rate; }
    void SetVolume(int slot, std::int32_t volume) override { Used(slot).volume = volume; }
    int CreateEnvelope() override { return 0; }
    int ReleaseEnvelope(int) override { return 0; }
    void SetEnvelopePeriod(int, std::uint16_t) override {}
    void SetEnvelopeShape(int, std::uint8_t) override {}
    void RunEnvelope(int, bool) override {}
    void FollowEnvelope(int slot, int envelope, const TLevelVolumes& volumes) override {
        Used(slot).envelope = envelope;
        Used(slot).envelopeVolumes = volumes;
    }

    TBuffer& Used(int slot) { return buffers.at(slot); }
    int InUseCount() const {
        return int(std::count_if(buffers.begin(), buffers.end(), [](const TBuffer& b) { return b.inUse; }));
    }

    std::array<TBuffer, slotCount> buffers;
};
