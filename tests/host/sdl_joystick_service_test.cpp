#include "host/sdl_joystick_service.h"

#include <gtest/gtest.h>

#include <string>

#include "peripherals/joystick.h"

namespace {

// A controller made by SDL itself, with two axes and two buttons.
class TVirtualPad {
public:
    explicit TVirtualPad(const char* productName) {
        SDL_VirtualJoystickDesc description{};
        description.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        description.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        description.naxes = 2;
        description.nbuttons = 2;
        description.name = productName;
        handle = SDL_JoystickOpen(SDL_JoystickAttachVirtualEx(&description));
    }
    ~TVirtualPad() { Unplug(); }

    bool IsPlugged() const { return handle != nullptr; }
    void Set(Sint16 x, Sint16 y, bool button1, bool button2) {
        SDL_JoystickSetVirtualAxis(handle, 0, x);
        SDL_JoystickSetVirtualAxis(handle, 1, y);
        SDL_JoystickSetVirtualButton(handle, 0, button1 ? 1 : 0);
        SDL_JoystickSetVirtualButton(handle, 1, button2 ? 1 : 0);
    }
    void Unplug() {
        if (handle == nullptr) return;
        const SDL_JoystickID instance = SDL_JoystickInstanceID(handle);
        SDL_JoystickClose(handle);
        handle = nullptr;
        for (int index = 0; index < SDL_NumJoysticks(); ++index) {
            if (SDL_JoystickGetDeviceInstanceID(index) == instance) SDL_JoystickDetachVirtual(index);
        }
    }

private:
    SDL_Joystick* handle = nullptr;
};

TEST(SDLJoystickServiceTest, AStickAndItsButtonsGiveThePortState) {
    TSDLJoystickService service;
    TVirtualPad pad("Quib Pad");
    ASSERT_TRUE(pad.IsPlugged()) << SDL_GetError();
    TJoystick joystick(service);
    ASSERT_EQ(joystick.GetJoystickCount(), 1);
    EXPECT_EQ(joystick.GetJoystickName(0), "Joystick 1 - Quib Pad");

    struct Case {
        Sint16 x;
        Sint16 y;
        bool button1;
        bool button2;
        std::uint8_t state;
    };
    const Case cases[] = {
        {0, 0, false, false, 0xBF},
        {-32768, 0, false, false, 0xBB},
        {32767, 0, false, false, 0xB7},
        {0, -32768, false, false, 0xBE},
        {0, 32767, false, false, 0xBD},
        {6880, -6554, false, false, 0xBF},  // scaled 20 and -20: inside the dead zone
        {6881, -6555, false, false, 0xB6},  // scaled 21 and -21
        {0, 0, true, false, 0xAF},
        {0, 0, false, true, 0x9F},
        {-32768, -32768, true, true, 0x8A},
    };
    for (const Case& position : cases) {
        SCOPED_TRACE(testing::Message() << position.x << ", " << position.y);
        pad.Set(position.x, position.y, position.button1, position.button2);
        joystick.Poll();
        EXPECT_EQ(joystick.GetState(), position.state);
    }
    pad.Set(-32768, 32767, true, true);
    pad.Unplug();
    joystick.Poll();
    EXPECT_EQ(joystick.GetState(), 0xBF) << "an unplugged controller reads nothing active";
}

TEST(SDLJoystickServiceTest, ControllersPluggedWhileRunningTakeTheLowestFreePlace) {
    TSDLJoystickService service;
    TVirtualPad first("First");
    TJoystick before(service);
    EXPECT_EQ(before.GetJoystickCount(), 1);

    TVirtualPad second("Second");
    TJoystick withBoth(service);
    ASSERT_EQ(withBoth.GetJoystickCount(), 2);
    EXPECT_EQ(withBoth.GetJoystickName(1), "Joystick 2 - Second");
    EXPECT_EQ(before.GetJoystickCount(), 1) << "a joystick knows the controllers of its construction";

    first.Unplug();
    EXPECT_EQ(service.GetDeviceCount(), 2) << "the freed place still counts";
    TJoystick withSecond(service);
    ASSERT_EQ(withSecond.GetJoystickCount(), 1);
    EXPECT_EQ(withSecond.GetJoystickName(0), "Joystick 1 - Second");

    TVirtualPad third("Third");
    TJoystick withThird(service);
    ASSERT_EQ(withThird.GetJoystickCount(), 2);
    EXPECT_EQ(withThird.GetJoystickName(0), "Joystick 1 - Third");
    EXPECT_EQ(withThird.GetJoystickName(1), "Joystick 2 - Second");
    EXPECT_FALSE(service.GetPosition(TSDLJoystickService::placeCount).has_value());
}

}  // namespace
