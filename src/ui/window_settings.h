#pragma once

#include <QPoint>
#include <filesystem>
#include <optional>

// The main window's view size (1:1 to 1:4) and place on the screen, kept in quib.ini
// (group Window) so that the next start opens as this one was left.
class TWindowSettings {
public:
    static constexpr int largestScale = 4;

    // folder holds quib.ini.
    explicit TWindowSettings(const std::filesystem::path& folder) : folder(folder) {}

    // The view size last chosen; 1 when none was, or the kept value is out of range.
    int Scale() const;
    void SetScale(int scale) const;
    // The top left corner of the window's frame when it was last closed; nothing before.
    std::optional<QPoint> Place() const;
    void SetPlace(QPoint place) const;

private:
    std::filesystem::path folder;
};
