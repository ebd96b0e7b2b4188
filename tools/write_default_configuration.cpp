// Build-time tool: writes the default machine "MSX1.qcf" into a Configurations
// folder, with the 16 KB system ROM pages cut from the C-BIOS images.
//
// usage: quib-write-default-configuration CBIOS_FOLDER CBIOS_COPYRIGHT CONFIGURATIONS_FOLDER

#include <iostream>
#include <string>

#include "settings/default_machine.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: quib-write-default-configuration CBIOS_FOLDER CBIOS_COPYRIGHT CONFIGURATIONS_FOLDER\n";
        return 2;
    }
    const std::string problem = TDefaultMachine::Write(argv[1], argv[2], argv[3]);
    if (problem.empty()) return 0;
    std::cerr << "error: " << problem << "\n";
    return 1;
}
