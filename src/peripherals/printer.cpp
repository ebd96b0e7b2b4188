#include "peripherals/printer.h"

#include "settings/state_record.h"

std::unique_ptr<TPrinterFile> TPrinterFile::Open(const std::filesystem::path& path)
{
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    if (!stream) {
        return nullptr;
    }
    return std::unique_ptr<TPrinterFile>(new TPrinterFile(std::move(stream)));
}

void TPrinterFile::Write(std::uint8_t value)
{
    stream.put(static_cast<char>(value));
    stream.flush();
}

TMSXPrinter::TMSXPrinter(TPrinterPorts& ports) : ports(ports), portNames(ports.GetPortNames())
{
    if (portNames.size() > portListSize) {
        portNames.resize(portListSize);
    }
}

void TMSXPrinter::Output(std::uint8_t value)
{
    if (output) {
        output->Write(value);
    }
}

void TMSXPrinter::SaveState(TStateWriter& record) const
{
    record.Byte(dataLatch);
}

bool TMSXPrinter::LoadState(TStateReader& record)
{
    dataLatch = record.Byte();
    return !record.Failed();
}

void TMSXPrinter::TakeOutput(TMSXPrinter& other)
{
    connected = other.connected;
    outputKind = other.outputKind;
    output = std::move(other.output);
}

void TMSXPrinter::ShowWarning(const std::string&) {}

std::uint8_t TMSXPrinter::ReadPort(std::uint8_t port)
{
    if (connected && port == 0x90) {
        return 0xFD;  // bit 1 clear: ready
    }
    return 0xFF;
}

void TMSXPrinter::WritePort(std::uint8_t port, std::uint8_t value)
{
    if (!connected) {
        return;
    }
    if (port == 0x91) {
        dataLatch = value;
    } else if (port == 0x90 && (value & 0x01) == 0) {
        Output(dataLatch);
    }
}

void TMSXPrinter::SetConnected(bool newConnected)
{
    connected = newConnected;
}

void TMSXPrinter::SetOutput(int kind, const std::string& name)
{
    if (kind < notConnected || kind > hostPrinter) {
        return;
    }
    output.reset();
    outputKind = kind;
    switch (kind) {
    case notConnected:
        SetConnected(false);
        break;
    case sendToPort:
        SetConnected(true);
        if (!name.empty()) {
            output = ports.OpenPort(name);
        }
        if (!output) {
            ShowWarning("Error opening printer port.");
        }
        break;
    case sendToFile:
        SetConnected(true);
        if (!name.empty()) {
            output = TPrinterFile::Open(std::filesystem::path(name));
        }
        if (!output) {
            ShowWarning("Error opening printer file.");
        }
        break;
    case hostPrinter:
        SetConnected(true);
        ShowWarning("Printer emulation using Windows printers is not yet supported.");
        break;
    }
}

std::string TMSXPrinter::GetPortName(int index) const
{
    if (index < 0 || index >= GetPortCount()) {
        return {};
    }
    return portNames[index];
}

int TMSXPrinter::GetPrinterCount() const
{
    return static_cast<int>(ports.GetPrinterNames().size());
}

std::string TMSXPrinter::GetPrinterName(int index) const
{
    const std::vector<std::string> names = ports.GetPrinterNames();
    if (index < 0 || index >= static_cast<int>(names.size())) {
        return {};
    }
    return names[index];
}
