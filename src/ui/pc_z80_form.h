#pragma once

#include <QWidget>
#include <cstdio>
#include <functional>

#include "cpu/pc_z80.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Z80 Info": the registers after each traced step, the executed instructions,
// the trace file "z80output.txt" and single steps.
class TPCZ80Form : public QWidget, public TZ80DebugForm {
    Q_OBJECT

public:
    static constexpr const char* traceFileName = "z80output.txt";
    static constexpr int maximumLines = 51;

    // closed runs after the processor has heard of the close: the run loop's
    // message processing follows the windows that are shown.
    TPCZ80Form(TPCZ80& processor, std::function<void()> closed, QWidget* owner);
    ~TPCZ80Form() override;

    void Show() override { show(); }
    bool IsVisible() const override { return isVisible(); }
    bool TraceOnScreen() const override { return traceOnScreen; }
    bool TraceToFile() const override { return traceToFile; }
    void ShowRegisters(const TZ80RegisterSnapshot& registers) override;
    void ShowInstruction(std::uint16_t address, const std::string& text) override;

    void cbTraceFileClick();
    void cbTraceScreenClick();
    void btnStepZ80Click();

    QLabel *lblAF, *lblBC, *lblDE, *lblHL;
    QLabel *lblAF1, *lblBC1, *lblDE1, *lblHL1;
    QLabel *lblIX, *lblIY, *lblPC, *lblSP;
    QLabel *lblFlag, *lblI, *lblIFF, *lblICount;
    QCheckBox* cbTraceScreen;
    QCheckBox* cbTraceFile;
    QPushButton* btnStepZ80;
    QPlainTextEdit* memoDisAsm;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CloseTraceFile();

    TPCZ80& processor;
    std::function<void()> closed;
    std::FILE* traceStream = nullptr;
    bool traceToFile = false;
    bool traceOnScreen = true;
};
