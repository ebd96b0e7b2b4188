#pragma once

#include <filesystem>

// The folder of the running executable, which holds quib.cfg and the
// Configurations folder; the current folder when the system cannot say.
std::filesystem::path ExecutableFolder();
