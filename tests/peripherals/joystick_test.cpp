#include "peripherals/joystick.h"

#include <gtest/gtest.h>

namespace {

// One controller with axes from 0 to 200.
struct TOnePad : TJoystickService {
    TJoystickPosition position;
    int GetDeviceCount() override { return 1; }
    std::optional<TJoystickPosition> GetPosition(int) override { return position; }
    std::optional<TJoystickCapabilities> GetCapabilities(int) override { return TJoystickCapabilities{"Pad", 0, 200, 0, 200}; }
};

TEST(JoystickTest, AxisScalingIsTruncatedTowardZero) {
    for (const auto& [position, minimum, maximum, scaled] :
         {std::tuple{0, 0, 65535, -100}, {65535, 0, 65535, 100}, {32767, 0, 65535, -1}, {32768, 0, 65535, 0},
          {-32768, -32768, 32767, -100}, {1, 0, 3, -34}, {5, 5, 5, 0}, {-10, 0, 100, -120}}) {
        EXPECT_EQ(TJoystick::ScaleAxis(position, minimum, maximum), scaled) << position << " in " << minimum << ".." << maximum;
    }
}

TEST(JoystickTest, StateBitsFromPositionAndButtons) {
    // Bits 0-3 up, down, left, right, 4-5 the triggers, all active low; 20 either side of the centre is none.
    for (const auto& [x, y, button1, button2, state] :
         {std::tuple{100, 100, false, false, 0xBF}, {0, 100, false, false, 0xBB}, {200, 100, false, false, 0xB7},
          {100, 0, false, false, 0xBE}, {100, 200, false, false, 0xBD}, {80, 120, false, false, 0xBF},
          {120, 80, false, false, 0xBF}, {79, 121, false, false, 0xB9}, {200, 0, true, false, 0xA6},
          {100, 100, false, true, 0x9F}}) {
        TOnePad pad;
        pad.position = {x, y, button1, button2};
        TJoystick joystick(pad);
        joystick.Poll();
        EXPECT_EQ(joystick.GetState(), state) << x << "," << y;
    }
}

}  // namespace
