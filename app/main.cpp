#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "services/executable_folder.h"
#include "ui/main_window.h"
#include "ui/qt_desktop_services.h"
#include "ui/start_options.h"

namespace {

constexpr const char* usage =
    "usage: quib [--run] [--frequency 50|60] [--cartridge-kind KIND] [ROM]\n"
    "       quib --help | --version\n"
    "  ROM                    a cartridge image for the first cartridge slot, this session only\n"
    "  --run                  start the machine at once\n"
    "  --frequency 50|60      the video frequency this session, whatever the configuration says\n"
    "  --cartridge-kind KIND  the kind of ROM: Automatic, Plain, Konami, KonamiSCC, ASCII8 or ASCII16\n"
    "  --help                 print this and exit\n"
    "  --version              print the version and exit\n";

// Qt aborts with a message of its own when no display can be opened.
bool HasDisplay() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before anything needs a display.
    for (int index = 1; index < argc; ++index) {
        const std::string_view argument = argv[index];
        if (argument == "--help") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("quib %s\n", QUIB_VERSION);
            return 0;
        }
    }
    if (!HasDisplay()) {
        std::fputs("quib needs a graphical display (DISPLAY or WAYLAND_DISPLAY)\n", stderr);
        return 2;
    }

    QApplication application(argc, argv);

    const std::optional<TStartOptions> options = ParseCommandLine(QApplication::arguments().mid(1), ExecutableFolder());
    if (!options) {
        std::fputs(usage, stderr);
        return 2;
    }

    // The services outlive the window, which tears the machine down as it goes.
    TQtDesktopServices services;
    TMainWindow window(*options);
    window.SetServices(services.Compose(window));
    window.show();
    return application.exec();
}
