#include "host/video_frequency_settings.h"

TVideoFrequencySettings::TVideoFrequencySettings(const std::filesystem::path& programFolder)
    : settings(programFolder) {}

QString TVideoFrequencySettings::Key(const std::filesystem::path& configurationFile) {
    return QString(group) + "/" + QString::fromStdString(configurationFile.filename().string());
}

TVideoFrequency TVideoFrequencySettings::Read(const std::filesystem::path& configurationFile) {
    const QString stored = settings.value(Key(configurationFile)).toString();
    return ParseVideoFrequency(stored.toStdString()).value_or(TVideoFrequency::automatic);
}

void TVideoFrequencySettings::Write(const std::filesystem::path& configurationFile, TVideoFrequency frequency) {
    if (frequency == TVideoFrequency::automatic) settings.remove(Key(configurationFile));
    else settings.setValue(Key(configurationFile), frequency == TVideoFrequency::hertz50 ? "50" : "60");
    settings.sync();
}
