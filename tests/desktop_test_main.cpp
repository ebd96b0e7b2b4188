#include <QApplication>
#include <QSaveFile>
#include <filesystem>
#include <gtest/gtest.h>

// The windows need an application object; without a display they draw offscreen,
// and the sound plays into SDL's dummy device, which every machine has. The offscreen
// screen is a common laptop's, 1280 x 800 with window frames, on which the Debugger
// (960 pixels wide) does not fit beside a main window in the middle.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        const std::filesystem::path screen = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "offscreen_screen.json";
        std::filesystem::create_directories(screen.parent_path());
        // Renamed into place whole: the tests run in parallel processes that read it.
        QSaveFile file(QString::fromStdString(screen.string()));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(R"({"windowFrameMargins": true, "screens": [{"name": "laptop", "x": 0, "y": 0,
                "width": 1280, "height": 800, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
            file.commit();
        }
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + screen.string().c_str());
    }
    if (!qEnvironmentVariableIsSet("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
