#include "host/long_paths.h"

#include <QString>
#include <string>
#include <vector>

#include "host/ini_settings.h"
#include "settings/record.h"

namespace {

// Each path field of the preferences with its key.
template <typename Preferences> auto PathFields(Preferences& preferences) {
    std::vector<std::pair<QString, decltype(&preferences.cassetteFile)>> fields;
    for (int entry = 0; entry < TPreferences::cartridgeEntryCount; ++entry) {
        fields.emplace_back(QString("cartridge%1").arg(entry + 1), &preferences.cartridgeFiles[entry]);
    }
    fields.emplace_back("cassette", &preferences.cassetteFile);
    fields.emplace_back("printer", &preferences.printerFile);
    return fields;
}

}  // namespace

void TLongPaths::Restore(TPreferences& preferences, const std::filesystem::path& programFolder) {
    TIniSettings settings(programFolder);
    settings.beginGroup(group);
    for (const auto& [key, field] : PathFields(preferences)) {
        const std::string whole = settings.value(key).toString().toStdString();
        if (whole.size() > textFieldSize && whole.compare(0, textFieldSize, *field) == 0) *field = whole;
    }
}

void TLongPaths::Store(const TPreferences& preferences, const std::filesystem::path& programFolder) {
    TIniSettings settings(programFolder);
    settings.beginGroup(group);
    for (const auto& [key, field] : PathFields(preferences)) {
        if (field->size() > textFieldSize) settings.setValue(key, QString::fromStdString(*field));
        else settings.remove(key);
    }
}
