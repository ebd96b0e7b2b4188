#include "host/cups_printer_ports.h"

#include <gtest/gtest.h>

#include <cups/cups.h>

#include <filesystem>
#include <string>
#include <vector>

#include "machine/pc_devices.h"
#include "support/test_host.h"

namespace {

// Points the CUPS client at a socket no spooler listens on, whatever the machine runs.
class TNoSpooler {
public:
    TNoSpooler() {
        const std::string socket = (std::filesystem::temp_directory_path() / "quib-no-spooler" / "cups.sock").string();
        cupsSetServer(socket.c_str());
    }
    ~TNoSpooler() { cupsSetServer(nullptr); }
};

TEST(CupsPrinterPortsTest, WithoutASpoolerThePortFailsAndTheBytesAreDropped) {
    const TNoSpooler noSpooler;
    TCupsPrinterPorts ports;
    EXPECT_EQ(ports.OpenPort("Quib"), nullptr);
    TTestHost::TRecordingMessages messages;
    TPCPrinter printer(ports, messages);
    EXPECT_EQ(printer.GetPortCount(), 0);
    EXPECT_EQ(printer.GetPrinterCount(), 0);

    // The machine passes the preferred port's name from the empty list; a name of
    // a queue that is not there fails the same way.
    for (const std::string& name : {printer.GetPortName(0), std::string("Quib")}) {
        SCOPED_TRACE(name);
        messages.shown.clear();
        printer.SetOutput(TMSXPrinter::sendToPort, name);
        EXPECT_EQ(messages.shown, std::vector<std::string>{"Warning|Error opening printer port."});
        printer.WritePort(0x91, 'A');
        printer.WritePort(0x90, 0x00);
        printer.WritePort(0x90, 0x01);
        EXPECT_EQ(printer.ReadPort(0x90), 0xFD) << "the printer stays ready";
    }
}

}  // namespace
