#pragma once

#include <filesystem>

// The folder of the running executable; the current folder when the system cannot say.
std::filesystem::path ExecutableFolder();

// The folder that holds quib.cfg, quib.ini, Configurations, Screenshots and quick.qst,
// for quib and quib-run alike: the executable's folder when a quib.cfg or a
// Configurations folder is there (a source build, a portable copy); otherwise
// $XDG_CONFIG_HOME/quib, by default ~/.config/quib, where the first start writes the
// default machine on the ROMs of the Debian package cbios. The executable's folder
// when there is no home to go to.
std::filesystem::path SettingsFolder();

// The rule itself, with the folders and the environment's values given; cbiosImages
// and cbiosCopyright are where the default machine is made from.
std::filesystem::path SettingsFolder(const std::filesystem::path& executableFolder, const char* configHome,
                                     const char* home, const std::filesystem::path& cbiosImages,
                                     const std::filesystem::path& cbiosCopyright);
