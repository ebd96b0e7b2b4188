#include "ui/speed_meter.h"

#include <cmath>

void TSpeedMeter::Restart() {
    framesAtStart = frames;
    clock.start();
}

QString TSpeedMeter::Measure(double realFramesPerSecond) {
    const double seconds = clock.isValid() ? static_cast<double>(clock.nsecsElapsed()) / 1e9 : 0;
    const double perSecond = seconds > 0 ? static_cast<double>(frames - framesAtStart) / seconds : 0;
    Restart();
    return QString("%1 fps (%2%)").arg(perSecond, 0, 'f', 1).arg(std::lround(perSecond * 100 / realFramesPerSecond));
}
