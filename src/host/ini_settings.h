#pragma once

#include <QSettings>
#include <filesystem>

// Settings beyond quib.cfg and the .qcf files: quib.ini beside quib.cfg, in INI
// format, so that the original files keep their exact records. Each feature keeps
// its keys in a group of its own.
class TIniSettings : public QSettings {
public:
    static constexpr const char* fileName = "quib.ini";

    // programFolder is the folder that holds quib.cfg.
    explicit TIniSettings(const std::filesystem::path& programFolder);
};
