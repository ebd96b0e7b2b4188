#include "ui/window_settings.h"

#include "host/ini_settings.h"

namespace {

constexpr const char* scaleKey = "Window/Scale";
constexpr const char* placeKey = "Window/Place";

}  // namespace

int TWindowSettings::Scale() const {
    bool number = false;
    const int scale = TIniSettings(folder).value(scaleKey, 1).toInt(&number);
    return number && scale >= 1 && scale <= largestScale ? scale : 1;
}

void TWindowSettings::SetScale(int scale) const { TIniSettings(folder).setValue(scaleKey, scale); }

std::optional<QPoint> TWindowSettings::Place() const {
    const QVariant place = TIniSettings(folder).value(placeKey);
    if (!place.canConvert<QPoint>()) return std::nullopt;
    return place.toPoint();
}

void TWindowSettings::SetPlace(QPoint place) const { TIniSettings(folder).setValue(placeKey, place); }
