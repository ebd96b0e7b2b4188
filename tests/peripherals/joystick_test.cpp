#include "peripherals/joystick.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class TFakeJoysticks : public TJoystickService {
public:
    struct Controller {
        TJoystickCapabilities capabilities;
        TJoystickPosition position;
        bool answers = true;
        bool described = true;
    };

    int deviceCount = 0;
    std::map<int, Controller> controllers;
    std::map<int, int> positionQueries;

    int GetDeviceCount() override { return deviceCount; }
    std::optional<TJoystickPosition> GetPosition(int id) override
    {
        ++positionQueries[id];
        const auto found = controllers.find(id);
        if (found == controllers.end() || !found->second.answers) {
            return std::nullopt;
        }
        return found->second.position;
    }
    std::optional<TJoystickCapabilities> GetCapabilities(int id) override
    {
        const auto found = controllers.find(id);
        if (found == controllers.end() || !found->second.described) {
            return std::nullopt;
        }
        return found->second.capabilities;
    }

    void Add(int id, const std::string& name, std::int32_t minimum = 0, std::int32_t maximum = 65535)
    {
        Controller controller;
        controller.capabilities = {name, minimum, maximum, minimum, maximum};
        controller.position = {(minimum + maximum) / 2, (minimum + maximum) / 2, false, false};
        controllers[id] = controller;
    }
};

TEST(JoystickTest, AxisScalingAtTheEdgesAndTheCentre)
{
    struct Case {
        std::int32_t position;
        std::int32_t minimum;
        std::int32_t maximum;
        int scaled;
    };
    const Case cases[] = {
        {0, 0, 65535, -100},
        {65535, 0, 65535, 100},
        {32767, 0, 65535, -1},  // 6553400 / 65535 = 99 and a fraction, truncated
        {32768, 0, 65535, 0},
        {-32768, -32768, 32767, -100},
        {32767, -32768, 32767, 100},
        {0, -32768, 32767, 0},
        {40, 0, 200, -60},
        {80, 0, 200, -20},
        {79, 0, 200, -21},
        {120, 0, 200, 20},
        {121, 0, 200, 21},
        {1, 0, 3, -34},  // 200 / 3 = 66, truncated toward zero
        {5, 5, 5, 0},    // an empty range never divides
        {-10, 0, 100, -120},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(TJoystick::ScaleAxis(testCase.position, testCase.minimum, testCase.maximum),
                  testCase.scaled)
            << testCase.position << " in " << testCase.minimum << ".." << testCase.maximum;
    }
}

TEST(JoystickTest, StateBitsFromPositionAndButtons)
{
    struct Case {
        std::int32_t x;
        std::int32_t y;
        bool button1;
        bool button2;
        std::uint8_t state;
    };
    const Case cases[] = {
        {100, 100, false, false, 0xBF},  // centred, nothing down
        {0, 100, false, false, 0xBB},    // left
        {200, 100, false, false, 0xB7},  // right
        {100, 0, false, false, 0xBE},    // up
        {100, 200, false, false, 0xBD},  // down
        {80, 120, false, false, 0xBF},   // exactly -20 and 20 are no direction
        {79, 121, false, false, 0xB9},   // left and down
        {200, 0, true, false, 0xA6},     // up, right, trigger A
        {100, 100, false, true, 0x9F},   // trigger B
        {0, 0, true, true, 0x8A},
    };
    for (const Case& testCase : cases) {
        TFakeJoysticks service;
        service.deviceCount = 1;
        service.Add(0, "Pad", 0, 200);
        service.controllers[0].position = {testCase.x, testCase.y, testCase.button1, testCase.button2};
        TJoystick joystick(service);
        EXPECT_EQ(joystick.GetState(), 0xBF);
        joystick.Poll();
        EXPECT_EQ(joystick.GetState(), testCase.state) << testCase.x << "," << testCase.y;
    }
}

TEST(JoystickTest, NumberingCountsPresentControllersOnly)
{
    TFakeJoysticks service;
    service.deviceCount = 5;
    service.Add(0, "First pad");
    service.Add(3, "Second pad");
    service.Add(2, "Silent pad");
    service.controllers[2].answers = false;
    TJoystick joystick(service);
    EXPECT_EQ(joystick.GetName(), "joystick");
    EXPECT_EQ(joystick.GetJoystickCount(), 2);
    EXPECT_EQ(joystick.GetJoystickName(0), "Joystick 1 - First pad");
    EXPECT_EQ(joystick.GetJoystickName(1), "Joystick 2 - Second pad");
    EXPECT_EQ(joystick.GetJoystickName(2), "INVALID NR");
    EXPECT_EQ(joystick.GetJoystickName(-1), "NOT FOUND");

    EXPECT_EQ(joystick.SelectJoystick(1), 0);
    EXPECT_EQ(joystick.GetSelectedId(), 3);
    service.controllers[3].position.button1 = true;
    service.positionQueries.clear();
    joystick.Poll();
    EXPECT_EQ(joystick.GetState(), 0xAF);
    EXPECT_EQ(service.positionQueries[3], 1);

    EXPECT_EQ(joystick.SelectJoystick(2), -1);
    EXPECT_EQ(joystick.SelectJoystick(-1), -1);
    EXPECT_EQ(joystick.GetSelectedId(), 3);
    EXPECT_EQ(joystick.SelectJoystick(0), 0);
    EXPECT_EQ(joystick.GetSelectedId(), 0);
}

TEST(JoystickTest, MissingAndUnpluggedControllers)
{
    TNoJoystickService none;
    TJoystick bare(none);
    EXPECT_EQ(bare.GetJoystickCount(), 0);
    EXPECT_EQ(bare.GetJoystickName(0), "INVALID NR");
    EXPECT_EQ(bare.GetJoystickName(5), "INVALID NR");
    EXPECT_EQ(bare.SelectJoystick(0), -1);
    bare.Poll();
    EXPECT_EQ(bare.GetState(), 0xBF);

    TFakeJoysticks service;
    service.deviceCount = 1;
    service.Add(0, "Pad", 0, 200);
    service.controllers[0].position = {0, 0, true, true};
    TJoystick joystick(service);
    joystick.Poll();
    EXPECT_EQ(joystick.GetState(), 0x8A);
    service.controllers[0].answers = false;  // unplugged: nothing active
    joystick.Poll();
    EXPECT_EQ(joystick.GetState(), 0xBF);

    // A controller without a description polls centred.
    service.controllers[0].answers = true;
    service.controllers[0].described = false;
    TJoystick undescribed(service);
    EXPECT_EQ(undescribed.GetJoystickName(0), "Joystick 1 - ");
    undescribed.Poll();
    EXPECT_EQ(undescribed.GetState(), 0x8F);

    // Plugged in after construction: not seen.
    TFakeJoysticks late;
    late.deviceCount = 1;
    TJoystick early(late);
    late.Add(0, "Late pad", 0, 200);
    late.controllers[0].position = {0, 0, true, true};
    early.Poll();
    EXPECT_EQ(early.GetState(), 0xBF);
    EXPECT_EQ(early.GetJoystickCount(), 0);
}

TEST(JoystickTest, OnlySixteenIdsAreTracked)
{
    TFakeJoysticks service;
    service.deviceCount = 40;
    for (int id = 0; id < 40; ++id) {
        service.Add(id, "Pad " + std::to_string(id));
    }
    TJoystick joystick(service);
    EXPECT_EQ(joystick.GetJoystickCount(), 16);
    EXPECT_EQ(joystick.GetJoystickName(15), "Joystick 16 - Pad 15");
    EXPECT_EQ(joystick.GetJoystickName(16), "INVALID NR");
    EXPECT_EQ(service.positionQueries.count(16), 0U);
    EXPECT_EQ(joystick.SelectJoystick(16), -1);

    TInputDevice device;
    EXPECT_EQ(device.GetName(), "unspecified");
    device.Poll();
    EXPECT_EQ(device.GetState(), 0xBF);
}

}  // namespace
