#include "peripherals/printer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

class TRecordedPort : public TPrinterOutput {
public:
    explicit TRecordedPort(std::vector<std::uint8_t>& bytes) : bytes(bytes) {}
    void Write(std::uint8_t value) override { bytes.push_back(value); }

private:
    std::vector<std::uint8_t>& bytes;
};

class TFakePorts : public TPrinterPorts {
public:
    std::vector<std::string> portNames{"LPT1:", "COM1:"};
    std::vector<std::string> printerNames{"Laser"};
    std::vector<std::uint8_t> portBytes;

    std::vector<std::string> GetPortNames() override { return portNames; }
    std::vector<std::string> GetPrinterNames() override { return printerNames; }
    std::unique_ptr<TPrinterOutput> OpenPort(const std::string& name) override
    {
        if (name != "LPT1:") {
            return nullptr;
        }
        return std::make_unique<TRecordedPort>(portBytes);
    }
};

class TWarnedPrinter : public TMSXPrinter {
public:
    using TMSXPrinter::TMSXPrinter;
    std::vector<std::string> warnings;
    void ShowWarning(const std::string& text) override { warnings.push_back(text); }
};

std::filesystem::path OutputPath(const std::string& name)
{
    const std::filesystem::path folder = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "printer";
    std::filesystem::create_directories(folder);
    return folder / name;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void Print(TMSXPrinter& printer, std::uint8_t value)
{
    printer.WritePort(0x91, value);
    printer.WritePort(0x90, 0x00);
    printer.WritePort(0x90, 0x01);
}

TEST(PrinterTest, NotConnectedReadsBusyAndIgnoresWrites)
{
    TFakePorts ports;
    TWarnedPrinter printer(ports);
    EXPECT_EQ(printer.ReadPort(0x90), 0xFF);
    EXPECT_EQ(printer.ReadPort(0x91), 0xFF);
    printer.WritePort(0x91, 0x41);
    printer.WritePort(0x90, 0x00);
    printer.SetOutput(TMSXPrinter::sendToPort, "LPT1:");
    EXPECT_EQ(printer.ReadPort(0x90), 0xFD);
    EXPECT_EQ(printer.ReadPort(0x91), 0xFF);
    printer.WritePort(0x90, 0x00);  // the latch kept nothing from while unplugged
    EXPECT_EQ(ports.portBytes, std::vector<std::uint8_t>{0x00});
    printer.SetOutput(TMSXPrinter::notConnected, "0");
    EXPECT_FALSE(printer.IsConnected());
    Print(printer, 0x42);
    EXPECT_EQ(ports.portBytes.size(), 1U);
    EXPECT_TRUE(printer.warnings.empty());
}

TEST(PrinterTest, EveryWriteWithStrobeLowPrintsTheLatchToTheFile)
{
    const std::filesystem::path path = OutputPath("strobe.txt");
    TFakePorts ports;
    TWarnedPrinter printer(ports);
    printer.SetOutput(TMSXPrinter::sendToFile, path.string());
    printer.WritePort(0x91, 0x41);
    printer.WritePort(0x90, 0x01);  // strobe high alone prints nothing
    EXPECT_TRUE(ReadFile(path).empty());
    printer.WritePort(0x90, 0x00);
    EXPECT_EQ(ReadFile(path), std::vector<std::uint8_t>{0x41});  // on disk at once
    printer.WritePort(0x90, 0x01);
    printer.WritePort(0x90, 0xFE);  // only bit 0 is the strobe
    printer.WritePort(0x91, 0x00);
    printer.WritePort(0x90, 0x00);
    printer.WritePort(0x91, 0x0D);
    printer.WritePort(0x91, 0xFF);
    printer.WritePort(0x90, 0x02);
    for (std::uint8_t value : {0x0D, 0x0A, 0x1A}) {  // line ends and end-of-file marks stay untranslated
        Print(printer, value);
    }
    EXPECT_EQ(ReadFile(path), (std::vector<std::uint8_t>{0x41, 0x41, 0x00, 0xFF, 0x0D, 0x0A, 0x1A}));
    EXPECT_TRUE(printer.warnings.empty());
}

TEST(PrinterTest, ChoosingTheFileAgainTruncatesIt)
{
    const std::filesystem::path path = OutputPath("truncate.txt");
    TFakePorts ports;
    TWarnedPrinter printer(ports);
    printer.SetOutput(TMSXPrinter::sendToFile, path.string());
    Print(printer, 'X');
    Print(printer, 'Y');
    printer.SetOutput(TMSXPrinter::sendToFile, path.string());
    EXPECT_TRUE(ReadFile(path).empty());
    Print(printer, 'Z');
    printer.SetOutput(TMSXPrinter::notConnected, "0");  // closes the file, keeps its bytes
    EXPECT_EQ(ReadFile(path), std::vector<std::uint8_t>{'Z'});
}

TEST(PrinterTest, OutputKindsAndTheirWarnings)
{
    struct Case {
        int kind;
        std::string name;
        bool connected;
        std::vector<std::string> warnings;
    };
    const std::string unwritable = (OutputPath("") / "missing" / "folder" / "out.txt").string();
    const Case cases[] = {
        {TMSXPrinter::notConnected, "0", false, {}},
        {TMSXPrinter::sendToPort, "LPT1:", true, {}},
        {TMSXPrinter::sendToPort, "COM1:", true, {"Error opening printer port."}},
        {TMSXPrinter::sendToPort, "", true, {"Error opening printer port."}},
        {TMSXPrinter::sendToFile, unwritable, true, {"Error opening printer file."}},
        {TMSXPrinter::sendToFile, "", true, {"Error opening printer file."}},
        {TMSXPrinter::hostPrinter, "0", true, {"Printer emulation using Windows printers is not yet supported."}},
    };
    for (const Case& testCase : cases) {
        TFakePorts ports;
        TWarnedPrinter printer(ports);
        printer.SetOutput(testCase.kind, testCase.name);
        EXPECT_EQ(printer.GetOutputKind(), testCase.kind);
        EXPECT_EQ(printer.IsConnected(), testCase.connected) << testCase.kind << " " << testCase.name;
        EXPECT_EQ(printer.warnings, testCase.warnings) << testCase.kind << " " << testCase.name;
        // Whatever failed, a connected printer stays ready and drops the bytes.
        EXPECT_EQ(printer.ReadPort(0x90), testCase.connected ? 0xFD : 0xFF);
        Print(printer, 0x55);
        const bool reachedPort = testCase.kind == TMSXPrinter::sendToPort && testCase.name == "LPT1:";
        EXPECT_EQ(ports.portBytes.size(), reachedPort ? 1U : 0U);
    }
}

TEST(PrinterTest, PortListHoldsAtMostThirtyTwoNames)
{
    TFakePorts ports;
    ports.portNames.clear();
    for (int index = 0; index < 40; ++index) {
        ports.portNames.push_back("PORT" + std::to_string(index));
    }
    TMSXPrinter printer(ports);
    ports.portNames.clear();  // read once, at construction
    EXPECT_EQ(printer.GetPortCount(), 32);
    EXPECT_EQ(printer.GetPortName(0), "PORT0");
    EXPECT_EQ(printer.GetPortName(31), "PORT31");
    EXPECT_EQ(printer.GetPortName(32), "");
    EXPECT_EQ(printer.GetPortName(-1), "");
    EXPECT_EQ(printer.GetPrinterCount(), 1);
    EXPECT_EQ(printer.GetPrinterName(0), "Laser");
    EXPECT_EQ(printer.GetPrinterName(1), "");

    TNoPrinterPorts none;
    TMSXPrinter bare(none);
    EXPECT_EQ(bare.GetPortCount(), 0);
    EXPECT_EQ(bare.GetPortName(0), "");
    EXPECT_EQ(bare.GetPrinterCount(), 0);
}

}  // namespace
