#include "ui/debugger_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "cpu/z80_text.h"
#include "ui/hex_text.h"

namespace {

using R = TZ80Registers;

constexpr R::Pair registerPairs[12] = {R::AF, R::BC, R::DE, R::HL, R::IX, R::IY, R::PC, R::SP,
                                       R::AF1, R::BC1, R::DE1, R::HL1};

QFont FixedPitch() {
    QFont font("Monospace");
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

}  // namespace

TDebuggerForm::TDebuggerForm(TPCMSX& machine, std::function<void()> runOrStop, QWidget* owner)
    : QWidget(owner, Qt::Window), machine(machine), runOrStop(std::move(runOrStop)) {
    setWindowTitle("Debugger");
    const QFont fixedPitch = FixedPitch();

    // Buttons and their keys, then the status line.
    const auto button = [this](const char* caption, QKeySequence key, void (TDebuggerForm::*handler)()) {
        auto* item = new QPushButton(caption, this);
        item->setShortcut(key);
        item->setToolTip(QString("%1 (%2)").arg(QString(caption).remove('&'), key.toString()));
        connect(item, &QPushButton::clicked, this, handler);
        return item;
    };
    btnRun = button("Run", Qt::Key_F5, &TDebuggerForm::btnRunClick);
    btnStepInto = button("Step Into", Qt::Key_F7, &TDebuggerForm::btnStepIntoClick);
    btnStepOver = button("Step Over", Qt::Key_F8, &TDebuggerForm::btnStepOverClick);
    btnStepOut = button("Step Out", QKeySequence(Qt::SHIFT | Qt::Key_F8), &TDebuggerForm::btnStepOutClick);
    btnRunToCursor = button("Run to Cursor", Qt::Key_F4, &TDebuggerForm::btnRunToCursorClick);
    btnToggleBreakpoint = button("Breakpoint", Qt::Key_F9, &TDebuggerForm::btnToggleBreakpointClick);
    btnSymbols = button("Symbols...", QKeySequence(), &TDebuggerForm::btnSymbolsClick);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* item : {btnRun, btnStepInto, btnStepOver, btnStepOut, btnRunToCursor, btnToggleBreakpoint, btnSymbols}) {
        buttons->addWidget(item);
    }
    buttons->addStretch();
    lblStatus = new QLabel("Stopped", this);

    // The disassembly, scrolled over the whole address space by its scroll bar.
    auto* codeBox = new QGroupBox("Disassembly", this);
    editGoTo = new QLineEdit(codeBox);
    editGoTo->setPlaceholderText("Go to address or label");
    connect(editGoTo, &QLineEdit::returnPressed, this, [this] {
        if (!GoTo(editGoTo->text())) lblStatus->setText("Not an address or a label: " + editGoTo->text());
    });
    listDisassembly = new QListWidget(codeBox);
    listDisassembly->setFont(fixedPitch);
    listDisassembly->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    listDisassembly->setMinimumWidth(QFontMetrics(fixedPitch).horizontalAdvance(QString(56, 'M')));
    listDisassembly->setMinimumHeight(QFontMetrics(fixedPitch).lineSpacing() * disassemblyLines + 8);
    listDisassembly->viewport()->installEventFilter(this);
    connect(listDisassembly, &QListWidget::itemDoubleClicked, this, &TDebuggerForm::btnToggleBreakpointClick);
    scrollDisassembly = new QScrollBar(Qt::Vertical, codeBox);
    scrollDisassembly->setRange(0, 0xFFFF);
    scrollDisassembly->setPageStep(0x40);
    connect(scrollDisassembly, &QScrollBar::valueChanged, this, [this](int value) {
        if (showing) return;
        topAddress = static_cast<std::uint16_t>(value);
        ShowDisassembly();
    });
    auto* codeLayout = new QGridLayout(codeBox);
    codeLayout->addWidget(editGoTo, 0, 0, 1, 2);
    codeLayout->addWidget(listDisassembly, 1, 0);
    codeLayout->addWidget(scrollDisassembly, 1, 1);

    // Registers and flags.
    auto* registersBox = new QGroupBox("Registers", this);
    auto* registersLayout = new QGridLayout(registersBox);
    for (int index = 0; index < 13; ++index) {
        auto* edit = new QLineEdit(registersBox);
        edit->setFont(fixedPitch);
        edit->setMaxLength(index == 12 ? 2 : 4);
        edit->setFixedWidth(QFontMetrics(fixedPitch).horizontalAdvance("00000") + 8);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]{1,4}"), edit));
        connect(edit, &QLineEdit::editingFinished, this, [this, index] { RegisterEdited(index); });
        editRegisters[index] = edit;
        const int row = index < 12 ? index % 6 : 6;
        const int column = index < 12 ? (index / 6) * 2 : 0;
        registersLayout->addWidget(new QLabel(registerNames[index], registersBox), row, column);
        registersLayout->addWidget(edit, row, column + 1);
    }
    // Beside I: the clock cycles since the last reset, to time a routine by.
    lblCycles = new QLabel("0", registersBox);
    lblCycles->setFont(fixedPitch);
    registersLayout->addWidget(new QLabel("Cycles", registersBox), 6, 2);
    registersLayout->addWidget(lblCycles, 6, 3);
    auto* flags = new QHBoxLayout;
    for (int bit = 0; bit < 8; ++bit) {
        cbFlags[bit] = new QCheckBox(flagNames[bit], registersBox);
        connect(cbFlags[bit], &QCheckBox::clicked, this, [this, bit] { FlagClicked(7 - bit); });
        flags->addWidget(cbFlags[bit]);
    }
    registersLayout->addLayout(flags, 7, 0, 1, 4);

    // The stack from SP upwards.
    auto* stackBox = new QGroupBox("Stack", this);
    listStack = new QListWidget(stackBox);
    listStack->setFont(fixedPitch);
    (new QVBoxLayout(stackBox))->addWidget(listStack);

    // Breakpoints and watchpoints: ticked ones are enabled.
    auto* pointsBox = new QGroupBox("Breakpoints and watchpoints", this);
    listPoints = new QListWidget(pointsBox);
    connect(listPoints, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { PointChanged(listPoints->row(item)); });
    comboKind = new QComboBox(pointsBox);
    for (const char* kind : pointKinds) comboKind->addItem(kind);
    editPoint = new QLineEdit(pointsBox);
    editPoint->setPlaceholderText("ADDR[@P-S] or ADDR[-END][=VALUE]");
    connect(editPoint, &QLineEdit::returnPressed, this, &TDebuggerForm::btnAddClick);
    btnAdd = new QPushButton("Add", pointsBox);
    connect(btnAdd, &QPushButton::clicked, this, &TDebuggerForm::btnAddClick);
    btnRemove = new QPushButton("Remove", pointsBox);
    connect(btnRemove, &QPushButton::clicked, this, &TDebuggerForm::btnRemoveClick);
    auto* pointsLayout = new QGridLayout(pointsBox);
    pointsLayout->addWidget(listPoints, 0, 0, 1, 4);
    pointsLayout->addWidget(comboKind, 1, 0);
    pointsLayout->addWidget(editPoint, 1, 1);
    pointsLayout->addWidget(btnAdd, 1, 2);
    pointsLayout->addWidget(btnRemove, 1, 3);

    auto* side = new QVBoxLayout;
    side->addWidget(registersBox);
    side->addWidget(stackBox);
    auto* middle = new QHBoxLayout;
    middle->addWidget(codeBox, 3);
    middle->addLayout(side, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(lblStatus);
    layout->addLayout(middle);
    layout->addWidget(pointsBox);

    FollowPC();
    ShowState();
}

void TDebuggerForm::MachineRunning() {
    running = true;
    EnableForState();
}

void TDebuggerForm::MachineStopped() {
    running = false;
    const TStopReason& reason = Debugger().GetStopReason();
    lblStatus->setText(reason.kind == TStopReason::Kind::None
                           ? QString("Stopped")
                           : "Stopped: " + QString::fromStdString(Debugger().Describe(reason)));
    FollowPC();
    ShowState();
}

void TDebuggerForm::ShowState() {
    ShowDisassembly();
    ShowRegisters();
    ShowStack();
    ShowPoints();
    EnableForState();
}

void TDebuggerForm::EnableForState() {
    // The main window tells of a run just before the machine's loop starts it.
    const bool stopped = !running && Stopped();
    if (!stopped && Processor()) lblStatus->setText("Running");
    btnRun->setText(stopped ? "Run" : "Stop");
    btnRun->setShortcut(Qt::Key_F5);
    btnRun->setEnabled(Processor() != nullptr);
    for (QWidget* control : {static_cast<QWidget*>(btnStepInto), static_cast<QWidget*>(btnStepOver),
                             static_cast<QWidget*>(btnStepOut), static_cast<QWidget*>(btnRunToCursor)}) {
        control->setEnabled(stopped);
    }
    for (QLineEdit* edit : editRegisters) edit->setReadOnly(!stopped);
    for (QCheckBox* flag : cbFlags) flag->setEnabled(stopped);
}

bool TDebuggerForm::GoTo(const QString& text) {
    const std::optional<std::uint16_t> address = Debugger().symbols.ParseAddress(text.toStdString());
    if (!address) return false;
    topAddress = *address;
    ShowDisassembly();
    listDisassembly->setCurrentRow(0);
    return true;
}

std::uint16_t TDebuggerForm::CursorAddress() const {
    const int row = listDisassembly->currentRow();
    return row >= 0 && row < static_cast<int>(lineAddresses.size()) ? lineAddresses[row] : topAddress;
}

int TDebuggerForm::LengthAt(std::uint16_t address) const {
    const TDebugger& debugger = machine.GetDebugger();
    return Z80InstructionLength(address, [&debugger](std::uint16_t at) { return debugger.Peek(at); });
}

std::uint16_t TDebuggerForm::PreviousInstruction(std::uint16_t address) const {
    // The longest run of whole instructions that ends exactly at address.
    for (int back = 4; back >= 1; --back) {
        if (LengthAt(static_cast<std::uint16_t>(address - back)) == back) return static_cast<std::uint16_t>(address - back);
    }
    return static_cast<std::uint16_t>(address - 1);
}

void TDebuggerForm::FollowPC() {
    if (!Processor()) return;
    const std::uint16_t pc = Processor()->registers.Get(R::PC);
    const bool shown = !lineAddresses.empty() && std::find(lineAddresses.begin(), lineAddresses.end() - 2, pc) !=
                                                     lineAddresses.end() - 2;
    if (shown) return;
    topAddress = PreviousInstruction(PreviousInstruction(pc));
}

QString TDebuggerForm::AddressWithLabel(std::uint16_t address) const {
    const std::string* name = machine.GetDebugger().symbols.NameAt(address);
    return HexText(address, 4) + (name ? "  " + QString::fromStdString(*name) : QString());
}

void TDebuggerForm::ShowDisassembly() {
    showing = true;
    const int row = listDisassembly->currentRow();
    listDisassembly->clear();
    lineAddresses.clear();
    TDebugger& debugger = Debugger();
    const std::uint16_t pc = Processor() ? Processor()->registers.Get(R::PC) : 0;
    std::array<std::uint8_t, 0x10000> enabled{};  // 1 enabled breakpoint, 2 disabled only
    for (const TBreakpoint& breakpoint : debugger.GetBreakpoints()) {
        enabled[breakpoint.address] = breakpoint.enabled ? 1 : (enabled[breakpoint.address] == 1 ? 1 : 2);
    }
    std::uint16_t address = topAddress;
    // As many lines as the list has room for, never fewer than it was sized for.
    const int rowHeight = std::max(1, QFontMetrics(listDisassembly->font()).lineSpacing());
    const int lines = std::max(disassemblyLines, listDisassembly->viewport()->height() / rowHeight);
    for (int line = 0; line < lines; ++line) {
        const auto reader = [&debugger](std::uint16_t at) { return debugger.Peek(at); };
        const int length = Z80InstructionLength(address, reader);
        QString text = QString::fromStdString(Z80InstructionText(address, reader));
        // Each 4-digit operand that has a name gets it beside the instruction.
        QString names;
        const QRegularExpression operand("\\b[0-9A-F]{4}\\b");
        for (const QRegularExpressionMatch& match : operand.globalMatch(text)) {
            const std::string* name = debugger.symbols.NameAt(static_cast<std::uint16_t>(match.captured().toUInt(nullptr, 16)));
            if (name) names += " " + QString::fromStdString(*name);
        }
        if (!names.isEmpty()) text = text.leftJustified(18) + " ;" + names;
        QString bytes;
        for (int offset = 0; offset < length; ++offset) bytes += HexText(debugger.Peek(static_cast<std::uint16_t>(address + offset)), 2) + " ";
        const std::string* label = debugger.symbols.NameAt(address);
        const QString marker = QString(address == pc ? ">" : " ") +
                               (enabled[address] == 1 ? "*" : enabled[address] == 2 ? "o" : " ");
        listDisassembly->addItem(QString("%1 %2  %3 %4 %5")
                                     .arg(marker, HexText(address, 4), bytes.leftJustified(12),
                                          (label ? QString::fromStdString(*label) + ":" : QString()).leftJustified(12),
                                          text));
        if (address == pc) listDisassembly->item(line)->setBackground(QColor(255, 240, 160));
        lineAddresses.push_back(address);
        address = static_cast<std::uint16_t>(address + length);
    }
    listDisassembly->setCurrentRow(row >= 0 ? row : -1);
    scrollDisassembly->setValue(topAddress);
    showing = false;
}

void TDebuggerForm::ShowRegisters() {
    TPCZ80* processor = Processor();
    if (!processor) return;
    showing = true;
    for (int index = 0; index < 12; ++index) {
        editRegisters[index]->setText(HexText(processor->registers.Get(registerPairs[index]), 4));
    }
    editRegisters[12]->setText(HexText(processor->I, 2));
    lblCycles->setText(QString::number(processor->CyclesSinceReset()));
    const std::uint8_t flags = processor->registers[R::F];
    for (int bit = 0; bit < 8; ++bit) cbFlags[bit]->setChecked((flags >> (7 - bit)) & 1);
    showing = false;
}

void TDebuggerForm::ShowStack() {
    listStack->clear();
    TPCZ80* processor = Processor();
    if (!processor) return;
    const std::uint16_t sp = processor->registers.Get(R::SP);
    for (int entry = 0; entry < stackLines; ++entry) {
        const auto at = static_cast<std::uint16_t>(sp + 2 * entry);
        const auto value = static_cast<std::uint16_t>(Debugger().Peek(at) | (Debugger().Peek(static_cast<std::uint16_t>(at + 1)) << 8));
        listStack->addItem(HexText(at, 4) + "  " + AddressWithLabel(value));
    }
}

void TDebuggerForm::ShowPoints() {
    showing = true;
    const int row = listPoints->currentRow();
    listPoints->clear();
    const auto add = [this](const std::string& text, bool enabled) {
        auto* item = new QListWidgetItem(QString::fromStdString(text), listPoints);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(enabled ? Qt::Checked : Qt::Unchecked);
    };
    for (const TBreakpoint& breakpoint : Debugger().GetBreakpoints()) add(Debugger().Describe(breakpoint), breakpoint.enabled);
    for (const TWatchpoint& watchpoint : Debugger().GetWatchpoints()) add(Debugger().Describe(watchpoint), watchpoint.enabled);
    listPoints->setCurrentRow(std::min(row, listPoints->count() - 1));
    showing = false;
}

void TDebuggerForm::RegisterEdited(int index) {
    TPCZ80* processor = Processor();
    if (showing || !processor || !Stopped() || running) return;
    bool valid = false;
    const unsigned value = editRegisters[index]->text().toUInt(&valid, 16);
    if (valid && index < 12) processor->registers.Set(registerPairs[index], static_cast<std::uint16_t>(value));
    if (valid && index == 12) processor->I = static_cast<std::uint8_t>(value);
    if (index == 6) FollowPC();  // PC
    ShowState();
}

void TDebuggerForm::FlagClicked(int bit) {
    TPCZ80* processor = Processor();
    if (!processor || !Stopped()) return;
    processor->registers[R::F] = static_cast<std::uint8_t>(processor->registers[R::F] ^ (1 << bit));
    ShowRegisters();
}

void TDebuggerForm::PointChanged(int row) {
    if (showing || row < 0) return;
    const bool enabled = listPoints->item(row)->checkState() == Qt::Checked;
    const int breakpoints = static_cast<int>(Debugger().GetBreakpoints().size());
    if (row < breakpoints) Debugger().EnableBreakpoint(row, enabled);
    else Debugger().EnableWatchpoint(row - breakpoints, enabled);
    ShowDisassembly();
}

void TDebuggerForm::btnRunClick() {
    // The main window's Pause: starts the run loop here, or stops it.
    runOrStop();
}

void TDebuggerForm::btnStepIntoClick() {
    if (!Stopped()) return;
    Debugger().StepInto();
    lblStatus->setText("Stopped");
    FollowPC();
    ShowState();
}

void TDebuggerForm::btnStepOverClick() {
    if (!Stopped()) return;
    if (!Debugger().PrepareStepOver()) {
        btnStepIntoClick();
        return;
    }
    runOrStop();
}

void TDebuggerForm::btnStepOutClick() {
    if (!Stopped()) return;
    Debugger().PrepareStepOut();
    runOrStop();
}

void TDebuggerForm::btnRunToCursorClick() {
    if (!Stopped()) return;
    Debugger().PrepareRunTo(CursorAddress());
    runOrStop();
}

void TDebuggerForm::btnToggleBreakpointClick() {
    const std::uint16_t address = CursorAddress();
    const std::vector<TBreakpoint>& breakpoints = Debugger().GetBreakpoints();
    for (int index = static_cast<int>(breakpoints.size()) - 1; index >= 0; --index) {
        if (breakpoints[index].address == address) {
            Debugger().RemoveBreakpoint(index);
            ShowDisassembly();
            ShowPoints();
            return;
        }
    }
    Debugger().AddBreakpoint({address});
    ShowDisassembly();
    ShowPoints();
}

void TDebuggerForm::btnAddClick() {
    const std::string text = editPoint->text().trimmed().toStdString();
    const int kind = comboKind->currentIndex();
    if (kind == 0) {
        if (const std::optional<TBreakpoint> breakpoint = ParseBreakpoint(text, Debugger().symbols)) {
            Debugger().AddBreakpoint(*breakpoint);
        } else {
            lblStatus->setText("A breakpoint takes an address or a label, optionally @P-S: " + editPoint->text());
            return;
        }
    } else {
        const TWatchpoint::Space space = kind >= 4 ? TWatchpoint::Space::Port : TWatchpoint::Space::Memory;
        std::optional<TWatchpoint> watchpoint = ParseWatchpoint(text, space, Debugger().symbols);
        if (!watchpoint) {
            lblStatus->setText(QString("A watchpoint takes ") + (space == TWatchpoint::Space::Port ? "PORT" : "ADDR") +
                               "[-END][=VALUE]: " + editPoint->text());
            return;
        }
        const int access = kind >= 4 ? kind - 3 : kind;  // 1 write, 2 read, 3 both
        watchpoint->onWrite = access != 2;
        watchpoint->onRead = access != 1;
        Debugger().AddWatchpoint(*watchpoint);
    }
    editPoint->clear();
    ShowDisassembly();
    ShowPoints();
}

void TDebuggerForm::btnRemoveClick() {
    const int row = listPoints->currentRow();
    if (row < 0) return;
    const int breakpoints = static_cast<int>(Debugger().GetBreakpoints().size());
    if (row < breakpoints) Debugger().RemoveBreakpoint(row);
    else Debugger().RemoveWatchpoint(row - breakpoints);
    ShowDisassembly();
    ShowPoints();
}

void TDebuggerForm::btnSymbolsClick() {
    const QString file = QFileDialog::getOpenFileName(this, "Symbols", QString(), "Symbol files (*.sym *.lst *.txt);;All files (*)");
    if (file.isEmpty()) return;
    const TSymbolTable::TLoadResult loaded = Debugger().symbols.Load(file.toStdString());
    if (!loaded.opened) {
        QMessageBox::warning(this, "Warning", "Cannot open the symbol file " + file + ".");
        return;
    }
    QString text = QString("%1 symbols read").arg(loaded.symbols);
    if (loaded.skippedLines > 0) {
        text += QString(", %1 lines skipped (the first is line %2)").arg(loaded.skippedLines).arg(loaded.firstSkippedLine);
    }
    lblStatus->setText(text);
    ShowState();
}

bool TDebuggerForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == listDisassembly->viewport() && event->type() == QEvent::Wheel) {
        // The wheel moves a line at a time, backwards by whole instructions.
        const int steps = static_cast<QWheelEvent*>(event)->angleDelta().y() / 40;
        for (int step = 0; step < std::abs(steps); ++step) {
            topAddress = steps > 0 ? PreviousInstruction(topAddress) : static_cast<std::uint16_t>(topAddress + LengthAt(topAddress));
        }
        ShowDisassembly();
        return true;
    }
    if (watched == listDisassembly->viewport() && event->type() == QEvent::Resize) ShowDisassembly();
    return QWidget::eventFilter(watched, event);
}
