// Loads arbitrary bytes as quib.cfg over preferences that already hold values
// of their own, and checks the result byte for byte: number fields present in
// the file take the stored byte, those beyond its end keep their values, flags
// become 0 or 1, text fields end at their first zero. Written back and read
// again, the preferences are the same; a load that fails changes nothing.
#include "fuzz_support.h"

#include "settings/preferences.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TBytes input(data, data + size);
    CheckSettingsLoad<TPreferences>(input, TPreferences::fileSize, [&](TBytes expected) {
        for (std::size_t offset = TPreferences::magic.size(); offset < expected.size() && offset < size; ++offset) {
            expected[offset] = data[offset];
        }
        for (const std::size_t flag : {897, 899}) expected[flag] = expected[flag] != 0;
        for (const int at : {10, 88, 138, 188, 238, 288, 338, 388, 438, 488, 538, 588, 638, 688, 738, 795, 847}) {
            ExpectText(input, at, expected);
        }
        return expected;
    });
    return 0;
}
