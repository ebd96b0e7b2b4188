#include "sound/psg.h"

#include "peripherals/cassette.h"
#include "peripherals/joystick.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

class TRecordingPSG : public TPSG {
public:
    std::vector<std::pair<int, int>> writes;
    int resets = 0;
    void RegisterWritten(std::uint8_t index, std::uint8_t value) override { writes.emplace_back(index, value); }
    void ResetSound() override { ++resets; }
};

// A device with a fixed state that notes its number when polled.
class TFixedDevice : public TInputDevice {
public:
    TFixedDevice(std::uint8_t fixedState, std::vector<int>* polls = nullptr, int number = 0)
        : polls(polls), number(number)
    {
        state = fixedState;
    }
    void Poll() override
    {
        if (polls != nullptr) {
            polls->push_back(number);
        }
    }

private:
    std::vector<int>* polls;
    int number;
};

// A recorder whose tape level under the head is set by the test.
class TLevelCassette : public TCassette {
public:
    bool level = false;
    int reads = 0;
    bool ReadBit() override { ++reads; return level; }
};

void WriteRegister(TPSG& psg, std::uint8_t index, std::uint8_t value)
{
    psg.WritePort(0xA0, index);
    psg.WritePort(0xA1, value);
}

std::uint8_t ReadRegister(TPSG& psg, std::uint8_t index)
{
    psg.WritePort(0xA0, index);
    return psg.ReadPort(0xA2);
}

int Bit(int value, int bit)
{
    return (value >> bit) & 1;
}

// Register 14 as the joystick port wiring describes it, bit by bit.
std::uint8_t ExpectedJoystickPort(std::uint8_t select, std::uint8_t port1, std::uint8_t port2)
{
    const bool secondPort = Bit(select, 6);
    const std::uint8_t device = secondPort ? port2 : port1;
    const bool outputHigh = secondPort ? Bit(select, 5) : Bit(select, 4);
    if (outputHigh) {
        return 0x7F;
    }
    const int triggerA = Bit(device, 4) & Bit(select, secondPort ? 2 : 0);
    const int triggerB = Bit(device, 5) & Bit(select, secondPort ? 3 : 1);
    return static_cast<std::uint8_t>((device & 0x0F) | (triggerA << 4) | (triggerB << 5) | (Bit(device, 6) << 6));
}

TEST(PSGTest, RegistersReadBackAsWritten)
{
    TRecordingPSG psg;
    for (std::uint8_t index = 0; index < 14; ++index) {
        EXPECT_EQ(ReadRegister(psg, index), 0x00) << int(index);
        WriteRegister(psg, index, static_cast<std::uint8_t>(0xF0 + index));
    }
    for (std::uint8_t index = 0; index < 14; ++index) {
        EXPECT_EQ(ReadRegister(psg, index), 0xF0 + index) << int(index);  // no bits masked
    }
    WriteRegister(psg, 15, 0x8F);
    EXPECT_EQ(ReadRegister(psg, 15), 0xFF);
    EXPECT_EQ(psg.GetRegister(15), 0x8F);

    psg.WritePort(0xA0, 0x1E);  // the latch keeps four bits
    EXPECT_EQ(psg.GetRegisterLatch(), 0x0E);
    psg.WritePort(0xA0, 0x07);
    EXPECT_EQ(psg.ReadPort(0xA0), 0xFF);
    EXPECT_EQ(psg.ReadPort(0xA1), 0xFF);
    EXPECT_EQ(psg.ReadPort(0xA3), 0xFF);
    psg.WritePort(0xA2, 0x12);
    psg.WritePort(0xA3, 0x34);
    EXPECT_EQ(ReadRegister(psg, 7), 0xF7);
}

TEST(PSGTest, WritesAreNotifiedOnlyWhileEnabled)
{
    TRecordingPSG psg;
    WriteRegister(psg, 0, 0xFE);
    WriteRegister(psg, 0x18, 0x1F);  // latch 8
    EXPECT_EQ(psg.writes, (std::vector<std::pair<int, int>>{{0, 0xFE}, {8, 0x1F}}));
    psg.Disable();
    EXPECT_EQ(psg.resets, 1);
    EXPECT_FALSE(psg.IsEnabled());
    WriteRegister(psg, 8, 0x0A);
    EXPECT_EQ(psg.writes.size(), 2U);
    EXPECT_EQ(ReadRegister(psg, 8), 0x0A);
    psg.Enable();
    EXPECT_EQ(psg.writes.size(), 2U);  // enabling replays nothing
    WriteRegister(psg, 9, 0x05);
    EXPECT_EQ(psg.writes.back(), (std::pair<int, int>{9, 0x05}));
}

TEST(PSGTest, JoystickPortForEveryPortSelectDeviceStateAndTapeLevel)
{
    struct Tape {
        bool connected;
        bool motorOn;
        bool level;
        std::uint8_t inputBit;
    };
    const Tape tapes[] = {
        {false, false, false, 0x00},
        {true, false, true, 0x00},  // the input reads low while the motor is off
        {true, true, false, 0x00},
        {true, true, true, 0x80},
    };
    const std::uint8_t states[] = {0xBF, 0x00, 0xFF, 0x8A, 0xAF, 0x9F, 0xF0, 0x0F, 0x40, 0x30};
    for (const Tape& tape : tapes) {
        TLevelCassette cassette;
        cassette.level = tape.level;
        if (tape.motorOn) {
            cassette.MotorOn();
        }
        for (std::uint8_t port1 : states) {
            for (std::uint8_t port2 : states) {
                TPSG psg;
                TFixedDevice first(port1);
                TFixedDevice second(port2);
                psg.SetDevice(1, &first);
                psg.SetDevice(2, &second);
                if (tape.connected) {
                    psg.SetCassette(&cassette);
                }
                for (int select = 0; select < 256; ++select) {
                    WriteRegister(psg, 15, static_cast<std::uint8_t>(select));
                    ASSERT_EQ(ReadRegister(psg, 14), ExpectedJoystickPort(select, port1, port2) | tape.inputBit)
                        << "R15 " << select << " port 1 " << int(port1) << " port 2 " << int(port2)
                        << " tape " << tape.motorOn << tape.level;
                }
            }
        }
        EXPECT_EQ(cassette.reads > 0, tape.motorOn);
    }
}

TEST(PSGTest, FrameStepPollsPortOneThenPortTwo)
{
    std::vector<int> polls;
    TFixedDevice first(0xBF, &polls, 1);
    TFixedDevice second(0xBF, &polls, 2);
    TFixedDevice ignored(0xBF, &polls, 3);
    TPSG psg;
    psg.FrameStep();
    EXPECT_TRUE(polls.empty());
    WriteRegister(psg, 15, 0x03);  // empty ports read as idle devices
    EXPECT_EQ(ReadRegister(psg, 14), 0x3F);
    WriteRegister(psg, 15, 0x40);
    EXPECT_EQ(ReadRegister(psg, 14), 0x0F);
    psg.SetDevice(2, &second);
    psg.SetDevice(1, &first);
    psg.SetDevice(0, &ignored);
    psg.SetDevice(3, &ignored);
    psg.FrameStep();
    EXPECT_EQ(polls, (std::vector<int>{1, 2}));
    EXPECT_EQ(psg.GetDevice(1), &first);
    EXPECT_EQ(psg.GetDevice(2), &second);
    EXPECT_EQ(psg.GetDevice(3), nullptr);
}

TEST(PSGTest, JoystickStateFollowsItsPoll)
{
    class TFakeJoysticks : public TJoystickService {
    public:
        TJoystickPosition position{100, 100, false, false};
        int GetDeviceCount() override { return 1; }
        std::optional<TJoystickPosition> GetPosition(int id) override
        {
            return id == 0 ? std::optional(position) : std::nullopt;
        }
        std::optional<TJoystickCapabilities> GetCapabilities(int) override
        {
            return TJoystickCapabilities{"Pad", 0, 200, 0, 200};
        }
    };
    TFakeJoysticks service;
    TJoystick joystick(service);
    TPSG psg;
    psg.SetDevice(1, &joystick);
    WriteRegister(psg, 15, 0x03);
    service.position = {0, 100, true, false};  // left with trigger A
    EXPECT_EQ(ReadRegister(psg, 14), 0x3F);   // not yet polled
    psg.FrameStep();
    EXPECT_EQ(ReadRegister(psg, 14), 0x2B);
    WriteRegister(psg, 15, 0x02);  // trigger A already reads active
    EXPECT_EQ(ReadRegister(psg, 14), 0x2B);
    WriteRegister(psg, 15, 0x01);  // trigger B's output bit low reads it active too
    EXPECT_EQ(ReadRegister(psg, 14), 0x0B);
}

}  // namespace
