#include "peripherals/key_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Events as "+A" (press) and "-A" (release); "*" releases everything. Each scan
// gives the keys it sees down, as a string.
std::vector<std::string> Scans(const std::vector<std::string>& events, int scans) {
    TKeyQueue queue;
    for (const std::string& event : events) {
        if (event == "*") queue.ReleaseAll();
        else if (event[0] == '+') queue.Press(static_cast<std::uint8_t>(event[1]));
        else queue.Release(static_cast<std::uint8_t>(event[1]));
    }
    std::vector<std::string> seen;
    for (int scan = 0; scan < scans; ++scan) {
        const std::bitset<256> down = queue.GetKeysDown();
        std::string keys;
        for (int code = 0; code < 256; ++code) {
            if (down[code]) keys += static_cast<char>(code);
        }
        seen.push_back(keys);
    }
    return seen;
}

// The states the scans see, each with the number of scans it stood for.
std::vector<std::pair<std::string, int>> Runs(const std::vector<std::string>& scans) {
    std::vector<std::pair<std::string, int>> runs;
    for (const std::string& keys : scans) {
        if (runs.empty() || runs.back().first != keys) runs.emplace_back(keys, 0);
        ++runs.back().second;
    }
    return runs;
}

TEST(KeyQueueTest, EveryChangeStandsForItsScansInOrder) {
    constexpr int hold = TKeyQueue::holdScans;
    struct TCase {
        std::vector<std::string> events;
        std::vector<std::string> states;  // each stands hold scans, the last one to the end
    };
    const TCase cases[] = {
        {{"+A", "-A"}, {"A", ""}},
        {{"+H", "-H", "+E", "-E", "+L", "-L", "+L", "-L"}, {"H", "", "E", "", "L", "", "L", ""}},
        // Shift held across a letter: the letter is seen with it.
        {{"+S", "+H", "-H", "-S"}, {"S", "HS", "S", ""}},
        // A press of a held key changes nothing.
        {{"+A", "+A", "+B"}, {"A", "AB"}},
        {{"+A", "+B", "-A", "*"}, {"A", "AB", "B", ""}},
        {{"-A", "*"}, {""}},
    };
    for (const TCase& test : cases) {
        const int scans = hold * static_cast<int>(test.states.size()) + 2;
        std::vector<std::pair<std::string, int>> expected;
        for (const std::string& state : test.states) expected.emplace_back(state, hold);
        expected.back().second += 2;
        EXPECT_EQ(Runs(Scans(test.events, scans)), expected) << test.events.size();
    }
}

TEST(KeyQueueTest, ALongQueueIsTakenAtOnceBeyondItsBound) {
    // Typed while no scan ran: the oldest events are taken at once, the newest in order.
    std::vector<std::string> events;
    for (std::size_t i = 0; i < 4 * TKeyQueue::maximumEvents; ++i) events.push_back(i % 2 ? "-A" : "+A");
    events.push_back("+B");
    EXPECT_EQ(Scans(events, TKeyQueue::holdScans * (TKeyQueue::maximumEvents + 1)).back(), "B");
}

}  // namespace
