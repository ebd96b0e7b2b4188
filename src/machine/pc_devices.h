#pragma once

#include <string>

#include "machine/host_services.h"
#include "peripherals/cassette.h"
#include "peripherals/printer.h"

// The cassette recorder whose prompts and warnings reach the user as message boxes.
class TPCCassette : public TCassette {
public:
    explicit TPCCassette(TUserMessages& messages) : messages(messages) {}

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
