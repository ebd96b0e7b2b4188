#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "machine/host_services.h"
#include "machine/pc_msx.h"
#include "peripherals/joystick.h"
#include "peripherals/keyboard.h"
#include "peripherals/printer.h"
#include "peripherals/rtclock.h"

// Host services for machine tests: message boxes are recorded, the message pump
// runs a callback the test sets, and every other service is a quiet stand-in.
struct TTestHost {
    struct TRecordingMessages : TUserMessages {
        void ShowMessage(const std::string& text, const std::string& title) override { shown.push_back(title + "|" + text); }
        bool AskYesNo(const std::string& text, const std::string& title) override { ShowMessage(text, title); return answer; }
        std::vector<std::string> shown;
        bool answer = false;
    };

    struct TCallbackPump : TMessagePump {
        void ProcessMessages() override { ++calls; if (onProcess) onProcess(); }
        void WaitForMessages(std::chrono::nanoseconds wait) override { waits.push_back(wait); ProcessMessages(); }
        std::function<void()> onProcess;
        long calls = 0;
        std::vector<std::chrono::nanoseconds> waits;
    };

    TCallbackPump pump;
    TRecordingMessages messages;
    THeldKeys keys;
    TNoJoystickService joysticks;
    TNoPrinterPorts printerPorts;
    TFixedClock clock{TLocalDateTime{}};

    // Keeps every sample the machine hands over.
    struct TRecordingSoundOutput : TSoundOutput {
        int GetRate() const override { return 44100; }
        void Play(std::span<const std::int16_t> played) override { samples.insert(samples.end(), played.begin(), played.end()); }
        void SetMuted(bool) override {}
        std::vector<std::int16_t> samples;
    };
    TRecordingSoundOutput sound;

    THostServices Services() { return {pump, messages, nullptr, keys, joysticks, printerPorts, &clock, &sound, nullptr}; }
};

// A configuration with the given page type in all four pages of one slot.
inline void FillSlot(TConfiguration& configuration, int primary, int secondary, std::uint8_t type) {
    for (int page = 0; page < 4; ++page) configuration.pageType[primary][secondary][page] = type;
}
