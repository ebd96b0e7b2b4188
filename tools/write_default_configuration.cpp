// Build-time tool: writes the default machine "MSX1.qcf" into a Configurations
// folder, with the 16 KB system ROM pages cut from the C-BIOS images.
//
// usage: quib-write-default-configuration CBIOS_FOLDER CONFIGURATIONS_FOLDER

#include "settings/configuration.h"
#include "settings/record.h"

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t pageSize = 16384;

struct TPageFile {
    const char* source;       // C-BIOS image
    std::size_t sourceOffset; // where the page starts in it
    const char* name;         // page file written beside the configuration
};

const TPageFile pageFiles[] = {
    {"cbios_main_msx1.rom", 0, "cbios_main_msx1_page0.rom"},
    {"cbios_main_msx1.rom", pageSize, "cbios_main_msx1_page1.rom"},
    {"cbios_logo_msx1.rom", 0, "cbios_logo_msx1.rom"},
};

bool WritePage(const std::filesystem::path& cbiosFolder, const std::filesystem::path& outputFolder,
               const TPageFile& page) {
    std::vector<std::uint8_t> image;
    const std::filesystem::path source = cbiosFolder / page.source;
    if (!ReadRecordFile(source, page.sourceOffset + pageSize, image) ||
        image.size() < page.sourceOffset + pageSize) {
        std::cerr << "error: cannot read " << source.string()
                  << ": install the Debian package cbios (apt-get install cbios)\n";
        return false;
    }
    const std::span<const std::uint8_t> bytes(image.data() + page.sourceOffset, pageSize);
    if (!ReplaceFile(outputFolder / page.name, bytes)) {
        std::cerr << "error: cannot write " << (outputFolder / page.name).string() << "\n";
        return false;
    }
    return true;
}

TConfiguration DefaultConfiguration() {
    TConfiguration configuration;
    configuration.description = "MSX1 with C-BIOS";
    configuration.pageType[0][0][0] = TConfiguration::pageROM;
    configuration.romFile[0][0][0] = pageFiles[0].name;
    configuration.pageType[0][0][1] = TConfiguration::pageROM;
    configuration.romFile[0][0][1] = pageFiles[1].name;
    configuration.pageType[0][0][2] = TConfiguration::pageROM;
    configuration.romFile[0][0][2] = pageFiles[2].name;
    for (int page = 0; page < 4; ++page) {
        configuration.pageType[1][0][page] = TConfiguration::pageCartridgeSlot;
        configuration.pageType[2][0][page] = TConfiguration::pageCartridgeSlot;
        configuration.pageType[3][0][page] = TConfiguration::pageRAM;
    }
    return configuration;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: quib-write-default-configuration CBIOS_FOLDER CONFIGURATIONS_FOLDER\n";
        return 2;
    }
    const std::filesystem::path cbiosFolder = argv[1];
    const std::filesystem::path outputFolder = argv[2];
    std::error_code error;
    std::filesystem::create_directories(outputFolder, error);
    for (const TPageFile& page : pageFiles) {
        if (!WritePage(cbiosFolder, outputFolder, page)) return 1;
    }
    TConfiguration configuration = DefaultConfiguration();
    if (!configuration.Save(outputFolder / "MSX1.qcf")) {
        std::cerr << "error: cannot write " << (outputFolder / "MSX1.qcf").string() << "\n";
        return 1;
    }
    return 0;
}
