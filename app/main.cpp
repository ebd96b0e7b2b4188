#include <QApplication>
#include <cstdio>
#include <system_error>

#include "ui/main_window.h"
#include "ui/start_options.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);

    std::error_code error;
    std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    if (error) folder = std::filesystem::current_path();
    const std::optional<TStartOptions> options = ParseCommandLine(QApplication::arguments().mid(1), folder);
    if (!options) {
        std::fprintf(stderr,
                     "usage: quib [--run] [--cartridge-kind KIND] [ROM]\n"
                     "KIND is Automatic, Plain, Konami, KonamiSCC, ASCII8 or ASCII16.\n");
        return 2;
    }

    TMainWindow window(*options);
    window.show();
    return application.exec();
}
