#include "host/cartridge_kind_settings.h"

TCartridgeKindSettings::TCartridgeKindSettings(const std::filesystem::path& programFolder) : settings(programFolder) {}

QString TCartridgeKindSettings::Key(TCartridgeSlot slot, const std::filesystem::path& image) {
    QString key = QString::number(slot.primary);
    if (slot.secondary != 255) key += "-" + QString::number(slot.secondary);
    return QString(group) + "/" + key + "/" + QString::fromStdString(image.filename().string());
}

TCartridgeKind TCartridgeKindSettings::Read(TCartridgeSlot slot, const std::filesystem::path& image) {
    const QString stored = settings.value(Key(slot, image)).toString();
    return ParseCartridgeKind(stored.toStdString()).value_or(TCartridgeKind::automatic);
}

void TCartridgeKindSettings::Write(TCartridgeSlot slot, const std::filesystem::path& image, TCartridgeKind kind) {
    if (kind == TCartridgeKind::automatic) settings.remove(Key(slot, image));
    else settings.setValue(Key(slot, image), CartridgeKindKey(kind));
    settings.sync();
}
