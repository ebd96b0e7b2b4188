#pragma once

#include "peripherals/printer.h"

// The printer ports of a CUPS host: every print queue (destination) is both a
// port and a printer. A port is opened as a raw job on its queue, which the
// spooler prints once the port is closed. Without a spooler there are no
// ports, and opening one fails at once.
class TCupsPrinterPorts : public TPrinterPorts {
public:
    std::vector<std::string> GetPortNames() override;
    std::vector<std::string> GetPrinterNames() override;
    // Null when the spooler, the queue or the job cannot be had.
    std::unique_ptr<TPrinterOutput> OpenPort(const std::string& name) override;
};
