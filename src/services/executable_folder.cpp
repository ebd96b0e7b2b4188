#include "services/executable_folder.h"

#include <cstdlib>
#include <system_error>

#include "settings/default_machine.h"

std::filesystem::path ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : executable.parent_path();
}

std::filesystem::path SettingsFolder() {
    return SettingsFolder(ExecutableFolder(), std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"),
                          TDefaultMachine::cbiosFolder, TDefaultMachine::cbiosCopyright);
}

std::filesystem::path SettingsFolder(const std::filesystem::path& executableFolder, const char* configHome,
                                     const char* home, const std::filesystem::path& cbiosImages,
                                     const std::filesystem::path& cbiosCopyright) {
    std::error_code error;
    if (std::filesystem::exists(executableFolder / "quib.cfg", error) ||
        std::filesystem::exists(executableFolder / "Configurations", error)) {
        return executableFolder;
    }
    // The XDG rule: a relative or empty XDG_CONFIG_HOME is ignored.
    std::filesystem::path base;
    if (configHome && std::filesystem::path(configHome).is_absolute()) base = configHome;
    else if (home && std::filesystem::path(home).is_absolute()) base = std::filesystem::path(home) / ".config";
    else return executableFolder;
    const std::filesystem::path folder = base / "quib";
    // A machine that cannot be written (no cbios package) is reported where its
    // configuration is read, as a missing one; no half-made folder stops the next try.
    const std::filesystem::path configurations = folder / "Configurations";
    if (!std::filesystem::exists(configurations, error) &&
        !TDefaultMachine::Write(cbiosImages, cbiosCopyright, configurations).empty()) {
        std::filesystem::remove_all(configurations, error);
    }
    return folder;
}
