#include "ui/start_options.h"

std::optional<TStartOptions> ParseCommandLine(const QStringList& arguments, const std::filesystem::path& folder) {
    TStartOptions options;
    options.folder = folder;
    bool kindGiven = false;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString& argument = arguments[index];
        if (argument == "--run") {
            options.run = true;
        } else if (argument == "--frequency") {
            const std::optional<TVideoFrequency> frequency =
                index + 1 < arguments.size() ? ParseVideoFrequency(arguments[++index].toStdString()) : std::nullopt;
            if (!frequency) return std::nullopt;
            options.frequency = *frequency;
        } else if (argument == "--cartridge-kind") {
            const std::optional<TCartridgeKind> kind =
                index + 1 < arguments.size() ? ParseCartridgeKind(arguments[++index].toStdString()) : std::nullopt;
            if (!kind) return std::nullopt;
            options.cartridgeKind = *kind;
            kindGiven = true;
        } else if (argument.startsWith("-") || !options.cartridge.empty()) {
            return std::nullopt;
        } else {
            options.cartridge = std::filesystem::absolute(argument.toStdString());
        }
    }
    if (kindGiven && options.cartridge.empty()) return std::nullopt;
    return options;
}
