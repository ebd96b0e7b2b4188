#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

class TStateReader;
class TStateWriter;

// Where printed bytes go: a host port or a file, written raw.
class TPrinterOutput {
public:
    virtual ~TPrinterOutput() = default;
    virtual void Write(std::uint8_t value) = 0;
};

// Host service: the printer ports and printers the host offers, and raw
// output to one of its ports.
class TPrinterPorts {
public:
    virtual ~TPrinterPorts() = default;
    virtual std::vector<std::string> GetPortNames() = 0;
    virtual std::vector<std::string> GetPrinterNames() = 0;
    // Null when the port cannot be opened.
    virtual std::unique_ptr<TPrinterOutput> OpenPort(const std::string& name) = 0;
};

// A host without printer ports or printers.
class TNoPrinterPorts : public TPrinterPorts {
public:
    std::vector<std::string> GetPortNames() override { return {}; }
    std::vector<std::string> GetPrinterNames() override { return {}; }
    std::unique_ptr<TPrinterOutput> OpenPort(const std::string&) override { return nullptr; }
};

// Printer output to a file, truncated when opened. Each byte reaches the file
// as it is printed, so the file always shows everything printed so far.
class TPrinterFile : public TPrinterOutput {
public:
    // Null when the file cannot be created.
    static std::unique_ptr<TPrinterFile> Open(const std::filesystem::path& path);
    void Write(std::uint8_t value) override;

private:
    explicit TPrinterFile(std::ofstream stream) : stream(std::move(stream)) {}
    std::ofstream stream;
};

// The MSX printer port: 91h latches a data byte, a write to 90h with bit 0
// clear strobes it out, a read of 90h tells whether the printer is busy.
class TMSXPrinter {
public:
    // Output kinds of SetOutput, as the preferences store them.
    static constexpr int notConnected = 0;
    static constexpr int sendToPort = 1;
    static constexpr int sendToFile = 2;
    static constexpr int hostPrinter = 3;

    static constexpr int portListSize = 32;

    explicit TMSXPrinter(TPrinterPorts& ports);
    virtual ~TMSXPrinter() = default;

    // A byte is printed: it goes to the open port or file, if any.
    virtual void Output(std::uint8_t value);
    // A warning for the user, with the caption "Warning"; the host shows it.
    virtual void ShowWarning(const std::string& text);

    std::uint8_t ReadPort(std::uint8_t port);
    void WritePort(std::uint8_t port, std::uint8_t value);

    void SetConnected(bool connected);
    // The data latch. Where printed bytes go is the host's choice, not state.
    void SaveState(TStateWriter& record) const;
    bool LoadState(TStateReader& record);
    // Takes over another printer's output, open file or port included, so a
    // restored machine prints on where the running one did.
    void TakeOutput(TMSXPrinter& other);
    bool IsConnected() const { return connected; }

    // Kinds other than 0-3 are ignored.
    void SetOutput(int kind, const std::string& name);
    int GetOutputKind() const { return outputKind; }

    int GetPortCount() const { return static_cast<int>(portNames.size()); }
    // Empty for a place at or beyond the count.
    std::string GetPortName(int index) const;
    int GetPrinterCount() const;
    std::string GetPrinterName(int index) const;

private:
    TPrinterPorts& ports;
    std::vector<std::string> portNames;
    std::uint8_t dataLatch = 0;
    bool connected = false;
    int outputKind = notConnected;
    std::unique_ptr<TPrinterOutput> output;
};
