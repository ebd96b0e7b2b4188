#include "peripherals/printer.h"

#include <gtest/gtest.h>

#include "settings/scratch_files.h"

namespace {

TNoPrinterPorts noPorts;

struct TWarnedPrinter : TMSXPrinter {
    TWarnedPrinter() : TMSXPrinter(noPorts) {}
    std::vector<std::string> warnings;
    void ShowWarning(const std::string& text) override { warnings.push_back(text); }
    void Write(std::initializer_list<std::pair<int, int>> writes) {  // port, value
        for (const auto& [port, value] : writes) WritePort(static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(value));
    }
};

// 91h latches a byte; every write to 90h with bit 0 clear prints it, raw.
TEST(PrinterTest, EveryWriteWithStrobeLowPrintsTheLatch) {
    const auto path = ScratchFolder() / "printed.txt";
    TWarnedPrinter printer;
    printer.SetOutput(TMSXPrinter::sendToFile, path.string());
    printer.Write({{0x91, 0x41}, {0x90, 0x01}});
    EXPECT_TRUE(ReadFile(path).empty());
    printer.Write({{0x90, 0x00}});
    EXPECT_EQ(ReadFile(path), Bytes{0x41});  // on disk at once
    printer.Write({{0x90, 0x01}, {0x90, 0xFE}, {0x91, 0x00}, {0x90, 0x00}, {0x91, 0x0D}, {0x91, 0x1A}, {0x90, 0x02}});
    EXPECT_EQ(ReadFile(path), (Bytes{0x41, 0x41, 0x00, 0x1A}));
    printer.SetOutput(TMSXPrinter::sendToFile, path.string());  // chosen again: truncated
    printer.Write({{0x91, 'Z'}, {0x90, 0x00}});
    printer.SetOutput(TMSXPrinter::notConnected, "0");
    EXPECT_EQ(printer.ReadPort(0x90), 0xFF);
    printer.Write({{0x91, 'Y'}, {0x90, 0x00}});
    EXPECT_EQ(ReadFile(path), Bytes{'Z'});
}

// Whatever failed, a connected printer reads ready (bit 1 clear) and drops the bytes.
TEST(PrinterTest, OutputsThatCannotOpenWarnAndStayReady) {
    for (const auto& [kind, warning] :
         {std::pair{TMSXPrinter::sendToPort, "Error opening printer port."},
          {TMSXPrinter::sendToFile, "Error opening printer file."},
          {TMSXPrinter::hostPrinter, "Printer emulation using Windows printers is not yet supported."}}) {
        TWarnedPrinter printer;
        printer.SetOutput(kind, (ScratchFolder() / "missing" / "out.txt").string());
        EXPECT_EQ(printer.warnings, std::vector<std::string>{warning});
        EXPECT_EQ(printer.ReadPort(0x90), 0xFD);
        printer.Write({{0x91, 0x55}, {0x90, 0x00}});
    }
}

}  // namespace
