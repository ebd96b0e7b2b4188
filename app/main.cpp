#include <QApplication>
#include <cstdio>

#include "services/executable_folder.h"
#include "ui/main_window.h"
#include "ui/qt_desktop_services.h"
#include "ui/start_options.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);

    const std::optional<TStartOptions> options = ParseCommandLine(QApplication::arguments().mid(1), ExecutableFolder());
    if (!options) {
        std::fprintf(stderr,
                     "usage: quib [--run] [--cartridge-kind KIND] [ROM]\n"
                     "KIND is Automatic, Plain, Konami, KonamiSCC, ASCII8 or ASCII16.\n");
        return 2;
    }

    // The services outlive the window, which tears the machine down as it goes.
    TQtDesktopServices services;
    TMainWindow window(*options);
    window.SetServices(services.Compose(window));
    window.show();
    return application.exec();
}
