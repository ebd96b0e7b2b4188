// Loads arbitrary bytes as a .qcf file over a configuration that already holds
// values of its own, and checks the result byte for byte: byte fields present
// in the file are taken, those beyond its end keep their values, text fields
// end at their first zero. Written back and read again, the configuration is
// the same; a load that fails changes nothing.
#include "fuzz_support.h"

#include "settings/configuration.h"

#include <algorithm>

namespace {

constexpr std::size_t descriptionOffset = 5;
constexpr std::size_t byteFieldsOffset = 55;
constexpr std::size_t romFileOffset = 143;

bool SameConfiguration(const TConfiguration& a, const TConfiguration& b) {
    return a.description == b.description && a.msxType == b.msxType && a.cpu == b.cpu && a.vdp == b.vdp &&
           a.vram == b.vram && std::equal(std::begin(a.expanded), std::end(a.expanded), std::begin(b.expanded)) &&
           std::equal(&a.pageType[0][0][0], &a.pageType[0][0][0] + 64, &b.pageType[0][0][0]) &&
           std::equal(&a.mapperSize[0][0], &a.mapperSize[0][0] + 16, &b.mapperSize[0][0]) &&
           std::equal(&a.romFile[0][0][0], &a.romFile[0][0][0] + 64, &b.romFile[0][0][0]);
}

// Values unlike the defaults, so that a field the loader forgot to keep or to
// replace shows.
TConfiguration PreviousConfiguration() {
    TConfiguration configuration;
    configuration.description = "Previous";
    configuration.msxType = 1;
    configuration.cpu = 1;
    configuration.vdp = 2;
    configuration.vram = 2;
    for (int primary = 0; primary < 4; ++primary) {
        configuration.expanded[primary] = 1;
        for (int secondary = 0; secondary < 4; ++secondary) {
            configuration.mapperSize[primary][secondary] = static_cast<std::uint8_t>(primary + secondary);
            for (int page = 0; page < 4; ++page) {
                configuration.pageType[primary][secondary][page] = static_cast<std::uint8_t>(page + 1);
                configuration.romFile[primary][secondary][page] = "previous.rom";
            }
        }
    }
    return configuration;
}

std::vector<std::uint8_t> SavedImage(TConfiguration configuration) {
    const auto path = FuzzFile("saved.qcf");
    FUZZ_CHECK(configuration.Save(path));
    return ReadBytes(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TConfiguration previous = PreviousConfiguration();
    static const std::vector<std::uint8_t> previousImage = SavedImage(previous);

    std::vector<std::uint8_t> expected = previousImage;
    for (std::size_t offset = byteFieldsOffset; offset < romFileOffset && offset < size; ++offset) {
        expected[offset] = data[offset];
    }
    NormaliseTextField(data, size, descriptionOffset, expected);
    for (std::size_t field = 0; field < 64; ++field) {
        NormaliseTextField(data, size, romFileOffset + 50 * field, expected);
    }

    const auto input = FuzzFile("input.qcf");
    WriteBytes(input, data, size);
    TConfiguration configuration = previous;
    FUZZ_CHECK(configuration.Load(input));
    FUZZ_CHECK(configuration.fileName == input.string());
    const auto image = SavedImage(configuration);
    FUZZ_CHECK(image.size() == TConfiguration::fileSize);
    FUZZ_CHECK(image == expected);

    TConfiguration readBack;
    FUZZ_CHECK(readBack.Load(FuzzFile("saved.qcf")));
    FUZZ_CHECK(SameConfiguration(readBack, configuration));

    const TConfiguration before = configuration;
    FUZZ_CHECK(!configuration.Load(FuzzFile("missing.qcf")));
    FUZZ_CHECK(SameConfiguration(configuration, before) && configuration.fileName == before.fileName);
    return 0;
}
