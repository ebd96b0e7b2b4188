#pragma once

#include <QSettings>
#include <QStringList>

// The cartridge images inserted last, newest first, without repeats, kept in
// quib.ini under the group "RecentCartridges".
class TRecentCartridges {
public:
    static constexpr int limit = 10;

    void Load(QSettings& settings);
    void Save(QSettings& settings) const;
    // Puts the image first, dropping an older entry of it and the oldest beyond the limit.
    void Add(const QString& file);
    const QStringList& GetFiles() const { return files; }

private:
    QStringList files;
};
