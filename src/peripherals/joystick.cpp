#include "peripherals/joystick.h"

namespace {

constexpr std::uint8_t upBit = 0x01;
constexpr std::uint8_t downBit = 0x02;
constexpr std::uint8_t leftBit = 0x04;
constexpr std::uint8_t rightBit = 0x08;
constexpr std::uint8_t triggerABit = 0x10;
constexpr std::uint8_t triggerBBit = 0x20;

// A scaled axis must pass this distance from the centre to count as a direction.
constexpr int deadZone = 20;

}  // namespace

TJoystick::TJoystick(TJoystickService& service) : TInputDevice("joystick"), service(service)
{
    deviceCount = service.GetDeviceCount();
    for (int id = 0; id < deviceCount && id < trackedIds; ++id) {
        if (!service.GetPosition(id)) {
            continue;
        }
        present[id] = true;
        // A controller that answers but has no description polls as centred.
        capabilities[id] = service.GetCapabilities(id).value_or(TJoystickCapabilities{});
        ++presentCount;
    }
}

int TJoystick::ScaleAxis(std::int32_t position, std::int32_t minimum, std::int32_t maximum)
{
    if (maximum == minimum) {
        return 0;
    }
    const std::int64_t offset = static_cast<std::int64_t>(position) - minimum;
    const std::int64_t range = static_cast<std::int64_t>(maximum) - minimum;
    return static_cast<int>(offset * 200 / range - 100);
}

void TJoystick::Poll()
{
    state = 0xBF;
    // Controllers plugged in after construction are not seen.
    if (!present[selectedId]) {
        return;
    }
    const std::optional<TJoystickPosition> position = service.GetPosition(selectedId);
    if (!position) {
        return;
    }
    const TJoystickCapabilities& range = capabilities[selectedId];
    const int x = ScaleAxis(position->x, range.xMinimum, range.xMaximum);
    const int y = ScaleAxis(position->y, range.yMinimum, range.yMaximum);
    if (x < -deadZone) {
        state &= ~leftBit;
    }
    if (x > deadZone) {
        state &= ~rightBit;
    }
    if (y < -deadZone) {
        state &= ~upBit;
    }
    if (y > deadZone) {
        state &= ~downBit;
    }
    if (position->button1) {
        state &= ~triggerABit;
    }
    if (position->button2) {
        state &= ~triggerBBit;
    }
}

int TJoystick::FindPresentId(int number) const
{
    if (number < 0) {
        return -1;
    }
    int counted = 0;
    for (int id = 0; id < trackedIds; ++id) {
        if (!present[id]) {
            continue;
        }
        if (counted == number) {
            return id;
        }
        ++counted;
    }
    return -1;
}

int TJoystick::SelectJoystick(int number)
{
    if (number >= presentCount) {
        return -1;
    }
    const int id = FindPresentId(number);
    if (id < 0) {
        return -1;
    }
    selectedId = id;
    return 0;
}

std::string TJoystick::GetJoystickName(int number) const
{
    if (number >= presentCount) {
        return "INVALID NR";
    }
    const int id = FindPresentId(number);
    if (id < 0) {
        return "NOT FOUND";
    }
    return "Joystick " + std::to_string(number + 1) + " - " + capabilities[id].productName;
}
