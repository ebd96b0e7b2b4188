#pragma once

#include <filesystem>
#include <string>

#include "machine/state_file.h"

class TPCMSX;

// Saves a machine to a .qst state file and restores it. Each device writes and
// reads its own record; ROM and cartridge images are named with their size
// and checksum, not stored. A restore is all or nothing: the file is read and
// checked whole, a machine is built from the configuration it holds and
// restored aside, and only then takes over the running machine's place,
// running if it ran. The running machine is untouched by any failure.
class TMachineState {
public:
    // False with a message that names the file and what is wrong.
    static bool Save(TPCMSX& machine, const std::filesystem::path& path, std::string& error);
    static bool Load(TPCMSX& machine, const std::filesystem::path& path, std::string& error);

    // The records of a machine as Save writes them.
    static TStateFile Capture(TPCMSX& machine);
    // False with the reason when the records do not restore.
    static bool Restore(TPCMSX& machine, const TStateFile& file, std::string& reason);
};
