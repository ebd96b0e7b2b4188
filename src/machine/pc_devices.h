#pragma once

#include <memory>
#include <string>

#include "machine/host_services.h"
#include "peripherals/cassette.h"
#include "peripherals/printer.h"

// What the cassette control window offers its recorder: it shows the tape's
// length and accuracy in its caption and follows the position on its own.
class TCassetteWindow {
public:
    virtual ~TCassetteWindow() = default;
    virtual void Show() = 0;
    virtual void UpdateWindowSetup() = 0;
};

// The cassette recorder whose prompts and warnings reach the user as message
// boxes, with its control window.
class TPCCassette : public TCassette {
public:
    explicit TPCCassette(TUserMessages& messages) : messages(messages) {}

    void Open(const std::filesystem::path& name, std::uint8_t newLength, std::uint8_t newAccuracy) override {
        TCassette::Open(name, newLength, newAccuracy);
        if (window) window->UpdateWindowSetup();
    }
    void ShowWindow() {
        if (!window) return;
        window->Show();
        window->UpdateWindowSetup();
    }

    // Null on a host without windows.
    std::unique_ptr<TCassetteWindow> window;

protected:
    void ShowError(const std::string& text, const std::string& caption) override {
        messages.ShowMessage(text, caption);
    }
    bool AskUser(const std::string& text, const std::string& caption) override {
        return messages.AskYesNo(text, caption);
    }

private:
    TUserMessages& messages;
};

// The printer port whose warnings reach the user as message boxes.
class TPCPrinter : public TMSXPrinter {
public:
    TPCPrinter(TPrinterPorts& ports, TUserMessages& messages) : TMSXPrinter(ports), messages(messages) {}

    void ShowWarning(const std::string& text) override { messages.ShowMessage(text, "Warning"); }

private:
    TUserMessages& messages;
};
