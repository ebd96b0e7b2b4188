#pragma once

#include <SDL.h>

#include <array>

#include "peripherals/joystick.h"

// The host's game controllers through SDL's joystick API, which needs neither
// an SDL window nor Qt. A controller keeps the host id (place) it was given
// while it is plugged in: a new one takes the lowest free place, an unplugged
// one frees its place, which then answers no position. Plugging is noticed
// whenever the count or a position is asked for. Without SDL's joystick
// subsystem no controller is present.
class TSDLJoystickService : public TJoystickService {
public:
    static constexpr int placeCount = TJoystick::trackedIds;

    TSDLJoystickService();
    ~TSDLJoystickService() override;
    TSDLJoystickService(const TSDLJoystickService&) = delete;
    TSDLJoystickService& operator=(const TSDLJoystickService&) = delete;

    // The places in use or ever used, so that a scan of the ids below it
    // finds every controller present.
    int GetDeviceCount() override;
    std::optional<TJoystickPosition> GetPosition(int id) override;
    std::optional<TJoystickCapabilities> GetCapabilities(int id) override;

private:
    // Brings SDL's joystick state up to date and gives places to the
    // controllers plugged in since, freeing those of the ones unplugged.
    void Refresh();
    SDL_Joystick* OpenedAt(int id) const;

    bool initialised = false;
    std::array<SDL_Joystick*, placeCount> places{};
    int placesUsed = 0;
};
