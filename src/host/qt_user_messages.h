#pragma once

#include <functional>

#include "machine/host_services.h"

class QWidget;

// Message boxes over a window. A box holds the thread in its own loop, so the
// emulation stands still meanwhile: beforeBox is called first (to pause the sound).
class TQtUserMessages : public TUserMessages {
public:
    explicit TQtUserMessages(QWidget* parent) : parent(parent) {}

    void ShowMessage(const std::string& text, const std::string& caption) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;

    std::function<void()> beforeBox;

private:
    QWidget* parent;
};
