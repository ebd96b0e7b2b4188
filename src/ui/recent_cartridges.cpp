#include "ui/recent_cartridges.h"

namespace {

const QString group = "RecentCartridges";
const QString key = "files";

}  // namespace

void TRecentCartridges::Load(QSettings& settings) {
    files.clear();
    for (const QString& file : settings.value(group + "/" + key).toStringList()) {
        if (!file.isEmpty() && !files.contains(file) && files.size() < limit) files << file;
    }
}

void TRecentCartridges::Save(QSettings& settings) const { settings.setValue(group + "/" + key, files); }

void TRecentCartridges::Add(const QString& file) {
    files.removeAll(file);
    files.prepend(file);
    while (files.size() > limit) files.removeLast();
}
