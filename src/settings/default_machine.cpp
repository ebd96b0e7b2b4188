#include "settings/default_machine.h"

#include <cstdint>
#include <span>
#include <system_error>
#include <vector>

#include "settings/configuration.h"
#include "settings/record.h"

namespace {

constexpr std::size_t pageSize = 16384;

struct TPageFile {
    const char* source;        // C-BIOS image
    std::size_t sourceOffset;  // where the page starts in it
    const char* name;          // page file written beside the configuration
};

constexpr TPageFile pageFiles[] = {
    {"cbios_main_msx1.rom", 0, "cbios_main_msx1_page0.rom"},
    {"cbios_main_msx1.rom", pageSize, "cbios_main_msx1_page1.rom"},
    {"cbios_logo_msx1.rom", 0, "cbios_logo_msx1.rom"},
};

std::string WritePage(const std::filesystem::path& cbiosImages, const std::filesystem::path& outputFolder,
                      const TPageFile& page) {
    std::vector<std::uint8_t> image;
    const std::filesystem::path source = cbiosImages / page.source;
    if (!ReadRecordFile(source, page.sourceOffset + pageSize, image) || image.size() < page.sourceOffset + pageSize) {
        return "cannot read " + source.string() + ": install the Debian package cbios (apt-get install cbios)";
    }
    const std::span<const std::uint8_t> bytes(image.data() + page.sourceOffset, pageSize);
    if (!ReplaceFile(outputFolder / page.name, bytes)) return "cannot write " + (outputFolder / page.name).string();
    return {};
}

TConfiguration Configuration() {
    TConfiguration configuration;
    configuration.description = "MSX1 with C-BIOS";
    for (int page = 0; page < 3; ++page) {
        configuration.pageType[0][0][page] = TConfiguration::pageROM;
        configuration.romFile[0][0][page] = pageFiles[page].name;
    }
    for (int page = 0; page < 4; ++page) {
        configuration.pageType[1][0][page] = TConfiguration::pageCartridgeSlot;
        configuration.pageType[2][0][page] = TConfiguration::pageCartridgeSlot;
        configuration.pageType[3][0][page] = TConfiguration::pageRAM;
    }
    return configuration;
}

}  // namespace

std::string TDefaultMachine::Write(const std::filesystem::path& cbiosImages, const std::filesystem::path& copyright,
                                   const std::filesystem::path& configurationsFolder) {
    std::error_code error;
    std::filesystem::create_directories(configurationsFolder, error);
    if (error) return "cannot make the folder " + configurationsFolder.string() + ": " + error.message();
    for (const TPageFile& page : pageFiles) {
        if (std::string problem = WritePage(cbiosImages, configurationsFolder, page); !problem.empty()) return problem;
    }
    // C-BIOS's licence asks that its notice travels with the ROMs.
    std::filesystem::copy_file(copyright, configurationsFolder / "cbios_copyright.txt",
                               std::filesystem::copy_options::overwrite_existing, error);
    if (!Configuration().Save(configurationsFolder / configurationName)) {
        return "cannot write " + (configurationsFolder / configurationName).string();
    }
    return {};
}
