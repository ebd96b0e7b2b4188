#include "ui/start_options.h"

std::optional<TStartOptions> ParseCommandLine(const QStringList& arguments, const std::filesystem::path& folder) {
    TStartOptions options;
    options.folder = folder;
    for (const QString& argument : arguments) {
        if (argument == "--run") {
            options.run = true;
        } else if (argument.startsWith("-") || !options.cartridge.empty()) {
            return std::nullopt;
        } else {
            options.cartridge = std::filesystem::absolute(argument.toStdString());
        }
    }
    return options;
}
