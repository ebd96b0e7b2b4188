#include "host/psg_envelope.h"

#include <algorithm>
#include <stdexcept>

TPSGEnvelope::TPSGEnvelope(int outputRate) : outputRate(static_cast<std::uint64_t>(outputRate)) {
    if (outputRate <= 0) throw std::invalid_argument("The sound output rate must be positive");
    SetPeriod(1);
}

void TPSGEnvelope::SetPeriod(std::uint16_t period) {
    unitsPerStep = 32 * std::max<std::uint64_t>(period, 1) * outputRate;
    elapsed = std::min(elapsed, unitsPerStep - 1);
}

void TPSGEnvelope::Start(std::uint8_t newShape) {
    shape = newShape & 0x0F;
    elapsed = 0;
    step = 0;
    level = LevelAt(step);
}

void TPSGEnvelope::StepOn() {
    const std::uint64_t steps = elapsed / unitsPerStep;
    elapsed %= unitsPerStep;
    const std::uint64_t reached = step + steps;
    if (reached < rampSteps) {
        step = static_cast<std::uint32_t>(reached);
    } else if ((shape & continueBit) && !(shape & holdBit)) {
        // Two ramps make a whole period of every repeating shape.
        step = static_cast<std::uint32_t>(rampSteps + (reached - rampSteps) % (2 * rampSteps));
    } else {
        step = rampSteps;
    }
    level = LevelAt(step);
}

int TPSGEnvelope::LevelAt(std::uint32_t at) const {
    const bool attack = shape & attackBit;
    const int within = static_cast<int>(at % rampSteps);
    if (at < rampSteps) return attack ? within : 15 - within;
    if (!(shape & continueBit)) return 0;
    const bool alternate = shape & alternateBit;
    // Holding stays at the end of the first ramp, or at the other end when it alternates.
    if (shape & holdBit) return attack != alternate ? 15 : 0;
    const bool rising = attack != (alternate && (at / rampSteps) % 2 == 1);
    return rising ? within : 15 - within;
}
