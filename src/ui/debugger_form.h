#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "machine/pc_msx.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;

// "Debugger": stops a running program where the developer asks and shows the
// processor the moment it stops: the disassembly around PC with its labels,
// the registers and flags (editable while stopped), the stack, and the list
// of breakpoints and watchpoints. It drives the machine's debugger; the run
// is the main window's, and the form does nothing while the machine runs.
class TDebuggerForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int disassemblyLines = 22;
    static constexpr int stackLines = 10;
    // The register boxes, in this order, and the flags' check boxes, bit 7 first.
    static constexpr const char* registerNames[13] = {"AF", "BC", "DE", "HL", "IX", "IY", "PC",
                                                      "SP", "AF'", "BC'", "DE'", "HL'", "I"};
    static constexpr const char* flagNames[8] = {"S", "Z", "5", "H", "3", "P/V", "N", "C"};
    // The kinds the list adds, as the kind box names them.
    static constexpr const char* pointKinds[7] = {"Breakpoint", "Write", "Read", "Read/write",
                                                  "Port write", "Port read", "Port read/write"};

    // runOrStop runs the machine until it stops (returning then), or stops it
    // when it runs: the main window's Pause.
    TDebuggerForm(TPCMSX& machine, std::function<void()> runOrStop, QWidget* owner);

    // From the main window, as a run starts and once it has ended.
    void MachineRunning();
    void MachineStopped();
    // Every view from the processor as it stands.
    void ShowState();
    // Disassembly from an address or a label; false when the text is neither.
    bool GoTo(const QString& text);
    // The address of the disassembly line the cursor is on.
    std::uint16_t CursorAddress() const;

    void btnRunClick();
    void btnStepIntoClick();
    void btnStepOverClick();
    void btnStepOutClick();
    void btnRunToCursorClick();
    void btnToggleBreakpointClick();
    void btnAddClick();
    void btnRemoveClick();
    void btnSymbolsClick();

    QPushButton* btnRun;
    QPushButton* btnStepInto;
    QPushButton* btnStepOver;
    QPushButton* btnStepOut;
    QPushButton* btnRunToCursor;
    QPushButton* btnToggleBreakpoint;
    QPushButton* btnSymbols;
    QLabel* lblStatus;
    QLabel* lblCycles;
    QLineEdit* editGoTo;
    QListWidget* listDisassembly;
    QScrollBar* scrollDisassembly;
    std::array<QLineEdit*, 13> editRegisters;
    std::array<QCheckBox*, 8> cbFlags;
    QListWidget* listStack;
    QListWidget* listPoints;
    QComboBox* comboKind;
    QLineEdit* editPoint;
    QPushButton* btnAdd;
    QPushButton* btnRemove;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TDebugger& Debugger() { return machine.GetDebugger(); }
    // Null while the machine has no processor.
    TPCZ80* Processor() const { return machine.GetZ80() ? machine.GetPCZ80() : nullptr; }
    bool Stopped() const { return machine.IsStopped() && Processor(); }
    void ShowDisassembly();
    void ShowRegisters();
    void ShowStack();
    void ShowPoints();
    void EnableForState();
    // The disassembly shows PC, a few lines below its top.
    void FollowPC();
    void RegisterEdited(int index);
    void FlagClicked(int bit);
    void PointChanged(int row);
    // An address with its label, as the views show it.
    QString AddressWithLabel(std::uint16_t address) const;
    // The start of the instruction that ends at address, as near as can be told.
    std::uint16_t PreviousInstruction(std::uint16_t address) const;
    int LengthAt(std::uint16_t address) const;

    TPCMSX& machine;
    std::function<void()> runOrStop;
    std::uint16_t topAddress = 0;
    std::vector<std::uint16_t> lineAddresses;
    bool running = false;
    bool showing = false;  // the views are being filled: their change signals are not the user's
};
