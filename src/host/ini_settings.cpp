#include "host/ini_settings.h"

#include <QString>

TIniSettings::TIniSettings(const std::filesystem::path& programFolder)
    : QSettings(QString::fromStdString((programFolder / fileName).string()), QSettings::IniFormat) {}
