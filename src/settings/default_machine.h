#pragma once

#include <filesystem>
#include <string>

// The default machine: "MSX1.qcf", an MSX1 on C-BIOS with cartridge slots in primary
// slots 1 and 2 and RAM in slot 3, written into a Configurations folder with the 16 KB
// system ROM pages it names, cut from the C-BIOS images of the Debian package cbios.
class TDefaultMachine {
public:
    static constexpr const char* configurationName = "MSX1.qcf";
    // Where the Debian package cbios keeps its images and its licence notice.
    static constexpr const char* cbiosFolder = "/usr/share/cbios";
    static constexpr const char* cbiosCopyright = "/usr/share/doc/cbios/copyright";

    // Writes the configuration, its ROM pages and C-BIOS's notice (when copyright names
    // a readable file) into the folder, made if need be; the reason it could not, or nothing.
    static std::string Write(const std::filesystem::path& cbiosImages, const std::filesystem::path& copyright,
                             const std::filesystem::path& configurationsFolder);
};
