// Loads arbitrary bytes as a .qcf file over a configuration that already holds
// values of its own, and checks the result byte for byte: byte fields present
// in the file are taken, those beyond its end keep their values, text fields
// end at their first zero. Written back and read again, the configuration is
// the same; a load that fails changes nothing.
#include "fuzz_support.h"

#include "settings/configuration.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TBytes input(data, data + size);
    CheckSettingsLoad<TConfiguration>(input, TConfiguration::fileSize, [&](TBytes expected) {
        constexpr std::size_t description = 5, byteFields = 55, romFiles = 143;  // 64 names, a page of every slot
        for (std::size_t at = byteFields; at < romFiles && at < size; ++at) expected[at] = data[at];
        ExpectText(input, description, expected);
        for (std::size_t field = 0; field < 64; ++field) ExpectText(input, romFiles + 50 * field, expected);
        return expected;
    });
    return 0;
}
