// The desktop window running the C-BIOS start screen, paced to 60 frames a second
// for 10 seconds under Qt's offscreen platform (a 1280 x 1024 screen), with the
// status bar updating every second: how evenly frames come, and what share of one
// core the whole application uses meanwhile, at 1:1 in a window and at 1:4 in
// fullscreen.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include "host/qt_display_output.h"
#include "ui/main_window.h"
#include "ui/qt_desktop_services.h"

namespace {

class TTimedDisplayOutput : public TQtDisplayOutput {
public:
    using TQtDisplayOutput::TQtDisplayOutput;
    void Present() override {
        presented.push_back(std::chrono::steady_clock::now());
        TQtDisplayOutput::Present();
    }
    std::vector<std::chrono::steady_clock::time_point> presented;
};

double ProcessSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

void BM_DesktopPacedStartScreen(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    const QString screens = QDir::temp().filePath("quib_bench_screens.json");
    QFile file(screens);
    file.open(QIODevice::WriteOnly);
    file.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1280, "height": 1024,
                   "logicalDpi": 96, "logicalBpp": 32, "dpr": 1}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens).toUtf8());
    qputenv("SDL_AUDIODRIVER", "dummy");
    int argc = 1;
    char name[] = "quib_bench";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    for (auto _ : state) {
        TStartOptions options;
        options.folder = std::filesystem::path(QUIB_DEFAULT_CONFIGURATION).parent_path().parent_path();
        TQtDesktopServices services;
        std::unique_ptr<TTimedDisplayOutput> output;
        TMainWindow window(options);
        TDesktopServices timed = services.Compose(window);
        timed.openDisplay = [&]() -> TDisplayOutput& {
            output = std::make_unique<TTimedDisplayOutput>(*window.screenBevel);
            return *output;
        };
        window.SetServices(timed);
        window.show();
        QApplication::processEvents();
        if (scale > 1) window.menuFullscreen->trigger();
        QApplication::processEvents();
        // Past the logo, then ten seconds of the start screen.
        double cpuAtMeasure = 0;
        std::size_t firstFrame = 0;
        QTimer::singleShot(4000, [&] {
            cpuAtMeasure = ProcessSeconds();
            firstFrame = output->presented.size();
        });
        QTimer::singleShot(14000, [&] { window.menuPause->trigger(); });
        window.menuPause->trigger();
        const double cpu = ProcessSeconds() - cpuAtMeasure;
        const auto& times = output->presented;
        std::chrono::duration<double, std::milli> worst{0};
        for (std::size_t frame = firstFrame + 1; frame < times.size(); ++frame) {
            worst = std::max<std::chrono::duration<double, std::milli>>(worst, times[frame] - times[frame - 1]);
        }
        const double intervals = static_cast<double>(times.size() - firstFrame - 1);
        const std::chrono::duration<double, std::milli> span = times.back() - times[firstFrame];
        state.counters["frames/s"] = intervals / (span.count() / 1000);
        state.counters["mean interval ms"] = span.count() / intervals;
        state.counters["worst interval ms"] = worst.count();
        state.counters["core share %"] = 100 * cpu / 10;
        state.counters["picture scale"] = output->PictureRectangle().width() / 256.0;
    }
}
BENCHMARK(BM_DesktopPacedStartScreen)->Arg(1)->Arg(4)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
