#include "host/sdl_joystick_service.h"

#include <algorithm>

TSDLJoystickService::TSDLJoystickService() {
    // The windows are Qt's, so to SDL the application never has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // SDL would otherwise turn SIGINT and SIGTERM into quit events nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    initialised = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    // Nothing drains SDL's event queue: controllers are polled instead.
    if (initialised) SDL_JoystickEventState(SDL_IGNORE);
}

TSDLJoystickService::~TSDLJoystickService() {
    for (SDL_Joystick* joystick : places) {
        if (joystick != nullptr) SDL_JoystickClose(joystick);
    }
    if (initialised) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

int TSDLJoystickService::GetDeviceCount() {
    Refresh();
    return placesUsed;
}

std::optional<TJoystickPosition> TSDLJoystickService::GetPosition(int id) {
    Refresh();
    SDL_Joystick* joystick = OpenedAt(id);
    if (joystick == nullptr) return std::nullopt;
    return TJoystickPosition{SDL_JoystickGetAxis(joystick, 0), SDL_JoystickGetAxis(joystick, 1),
                             SDL_JoystickGetButton(joystick, 0) != 0, SDL_JoystickGetButton(joystick, 1) != 0};
}

std::optional<TJoystickCapabilities> TSDLJoystickService::GetCapabilities(int id) {
    SDL_Joystick* joystick = OpenedAt(id);
    if (joystick == nullptr) return std::nullopt;
    const char* name = SDL_JoystickName(joystick);
    return TJoystickCapabilities{name != nullptr ? name : "", SDL_JOYSTICK_AXIS_MIN, SDL_JOYSTICK_AXIS_MAX,
                                 SDL_JOYSTICK_AXIS_MIN, SDL_JOYSTICK_AXIS_MAX};
}

void TSDLJoystickService::Refresh() {
    if (!initialised) return;
    SDL_JoystickUpdate();
    for (SDL_Joystick*& joystick : places) {
        if (joystick != nullptr && !SDL_JoystickGetAttached(joystick)) {
            SDL_JoystickClose(joystick);
            joystick = nullptr;
        }
    }
    const int deviceCount = SDL_NumJoysticks();
    for (int deviceIndex = 0; deviceIndex < deviceCount; ++deviceIndex) {
        const SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(deviceIndex);
        const bool placed = std::any_of(places.begin(), places.end(), [instance](SDL_Joystick* joystick) {
            return joystick != nullptr && SDL_JoystickInstanceID(joystick) == instance;
        });
        if (placed) continue;
        const auto freePlace = std::find(places.begin(), places.end(), nullptr);
        if (freePlace == places.end()) return;
        *freePlace = SDL_JoystickOpen(deviceIndex);
        if (*freePlace != nullptr) placesUsed = std::max(placesUsed, static_cast<int>(freePlace - places.begin()) + 1);
    }
}

SDL_Joystick* TSDLJoystickService::OpenedAt(int id) const {
    if (id < 0 || id >= placeCount) return nullptr;
    return places[id];
}
