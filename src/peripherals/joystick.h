#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "settings/state_record.h"

// What sits on a joystick port: one state byte in the form PSG register 14
// expects (bit 0 up, 1 down, 2 left, 3 right, 4 trigger A, 5 trigger B, each
// 0 while active), refreshed once per frame by Poll.
class TInputDevice {
public:
    TInputDevice() = default;
    virtual ~TInputDevice() = default;

    virtual void Poll() {}

    const std::string& GetName() const { return name; }
    std::uint8_t GetState() const { return state; }
    // The state byte as last polled.
    void SaveState(TStateWriter& record) const { record.Byte(state); }
    void LoadState(TStateReader& record) { state = record.Byte(); }

protected:
    explicit TInputDevice(std::string name) : name(std::move(name)) {}

    std::string name = "unspecified";
    std::uint8_t state = 0xBF;  // nothing active
};

// A host controller's description: product name and axis ranges.
struct TJoystickCapabilities {
    std::string productName;
    std::int32_t xMinimum = 0;
    std::int32_t xMaximum = 0;
    std::int32_t yMinimum = 0;
    std::int32_t yMaximum = 0;
};

struct TJoystickPosition {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool button1 = false;
    bool button2 = false;
};

// Host service: the host's game controllers, numbered by host id from 0.
class TJoystickService {
public:
    virtual ~TJoystickService() = default;
    virtual int GetDeviceCount() = 0;
    // Nothing when the controller does not answer.
    virtual std::optional<TJoystickPosition> GetPosition(int id) = 0;
    virtual std::optional<TJoystickCapabilities> GetCapabilities(int id) = 0;
};

// A host without game controllers.
class TNoJoystickService : public TJoystickService {
public:
    int GetDeviceCount() override { return 0; }
    std::optional<TJoystickPosition> GetPosition(int) override { return std::nullopt; }
    std::optional<TJoystickCapabilities> GetCapabilities(int) override { return std::nullopt; }
};

// A joystick fed from a host controller. The controllers present are found
// once, at construction; the present ones are numbered from 0 in increasing
// host id order.
class TJoystick : public TInputDevice {
public:
    static constexpr int trackedIds = 16;

    explicit TJoystick(TJoystickService& service);

    void Poll() override;

    int GetJoystickCount() const { return presentCount; }
    // 0, or -1 when there is no such present joystick.
    int SelectJoystick(int number);
    std::string GetJoystickName(int number) const;
    int GetSelectedId() const { return selectedId; }

    // An axis position scaled to -100..100 over its range; 0 for an empty range.
    static int ScaleAxis(std::int32_t position, std::int32_t minimum, std::int32_t maximum);

private:
    // The host id of the present joystick with this number, or -1.
    int FindPresentId(int number) const;

    TJoystickService& service;
    std::array<TJoystickCapabilities, trackedIds> capabilities{};
    std::array<bool, trackedIds> present{};
    int deviceCount = 0;
    int presentCount = 0;
    int selectedId = 0;
};
