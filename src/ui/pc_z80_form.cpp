#include "ui/pc_z80_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "cpu/z80_text.h"
#include "ui/hex_text.h"
#include "ui/main_window.h"

TPCZ80Form::TPCZ80Form(TPCZ80& processor, std::function<void()> closed, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint), processor(processor), closed(std::move(closed)) {
    setWindowTitle("Z80 Info");
    setFixedSize(308, 430);
    move(265, 99);

    auto* registersBox = new QGroupBox("Registers", this);
    registersBox->setGeometry(0, 0, 308, 185);
    QFont fixedPitch("Courier New");
    fixedPitch.setStyleHint(QFont::Monospace);
    fixedPitch.setPixelSize(12);
    const auto label = [&](const char* text, int x, int y) {
        auto* item = new QLabel(text, registersBox);
        item->setFont(fixedPitch);
        item->move(x, y);
        item->adjustSize();
        return item;
    };
    // A value label is as wide as its longest text, so no text is ever cut.
    const auto value = [&](const char* text, int x, int y, const char* widest = "0000h") {
        QLabel* item = label(widest, x, y);
        item->setText(text);
        return item;
    };
    const char* names[3][4] = {{"AF:", "BC:", "DE:", "HL:"}, {"AF':", "BC':", "DE':", "HL':"},
                               {"IX:", "IY:", "PC:", "SP:"}};
    const int nameX[3] = {8, 96, 192};
    const int valueX[3] = {32, 128, 216};
    QLabel** values[3][4] = {{&lblAF, &lblBC, &lblDE, &lblHL},
                             {&lblAF1, &lblBC1, &lblDE1, &lblHL1},
                             {&lblIX, &lblIY, &lblPC, &lblSP}};
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 4; ++row) {
            label(names[column][row], nameX[column], 24 + 16 * row);
            *values[column][row] = value("0000h", valueX[column], 24 + 16 * row);
        }
    }
    label("Flag:", 8, 96);
    lblFlag = value("00000000b", 48, 96, "00000000b");
    label("I:", 136, 96);
    lblI = value("00h", 160, 96, "00h");
    label("IFF:", 200, 96);
    lblIFF = value("00h", 240, 96, "00h");
    label("Cycles left till VR int.:", 8, 112);
    lblICount = value("0", 248, 112, "-2147483648");

    cbTraceScreen = new QCheckBox("Trace on screen", registersBox);
    cbTraceScreen->move(8, 144);
    cbTraceScreen->setChecked(true);
    cbTraceFile = new QCheckBox("Trace to file", registersBox);
    cbTraceFile->move(8, 160);
    btnStepZ80 = new QPushButton("Single Step", registersBox);
    btnStepZ80->setGeometry(225, 144, 75, 25);

    memoDisAsm = new QPlainTextEdit(this);
    memoDisAsm->setGeometry(0, 185, 308, 430 - 185);
    memoDisAsm->setReadOnly(true);
    memoDisAsm->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoDisAsm->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoDisAsm->setFont(fixedPitch);
    // The oldest line goes when a new one would make more.
    memoDisAsm->setMaximumBlockCount(maximumLines);

    connect(cbTraceFile, &QCheckBox::clicked, this, &TPCZ80Form::cbTraceFileClick);
    connect(cbTraceScreen, &QCheckBox::clicked, this, &TPCZ80Form::cbTraceScreenClick);
    connect(btnStepZ80, &QPushButton::clicked, this, &TPCZ80Form::btnStepZ80Click);
}

TPCZ80Form::~TPCZ80Form() { CloseTraceFile(); }

void TPCZ80Form::ShowRegisters(const TZ80RegisterSnapshot& registers) {
    if (traceOnScreen && isVisible()) {
        const std::pair<QLabel*, std::uint16_t> pairs[] = {
            {lblAF, registers.af},           {lblBC, registers.bc},           {lblDE, registers.de},
            {lblHL, registers.hl},           {lblAF1, registers.alternateAF}, {lblBC1, registers.alternateBC},
            {lblDE1, registers.alternateDE}, {lblHL1, registers.alternateHL}, {lblIX, registers.ix},
            {lblIY, registers.iy},           {lblPC, registers.pc},           {lblSP, registers.sp}};
        for (const auto& [label, value] : pairs) label->setText(HexText(value, 4) + "h");
        lblIFF->setText(HexText(registers.state & 0xFF, 2) + "h");
        lblI->setText(HexText(registers.state >> 8, 2) + "h");
        lblFlag->setText(QString::fromStdString(Z80FlagString(registers.af & 0xFF)));
        lblICount->setText(QString::number(registers.cyclesLeft));
    }
    if (traceToFile && traceStream) {
        const std::string record = Z80RegisterRecord(registers.af, registers.bc, registers.de, registers.hl,
                                                     registers.ix, registers.iy, registers.sp);
        std::fputs(record.c_str(), traceStream);
    }
}

void TPCZ80Form::ShowInstruction(std::uint16_t address, const std::string& text) {
    if (traceOnScreen && isVisible()) memoDisAsm->appendPlainText(QString::fromStdString(Z80InstructionLine(address, text)));
    if (traceToFile && traceStream) std::fputs(Z80InstructionRecord(address, text).c_str(), traceStream);
}

void TPCZ80Form::cbTraceFileClick() {
    CloseTraceFile();
    if (cbTraceFile->isChecked()) {
        traceStream = std::fopen(traceFileName, "w+");
        if (!traceStream) {
            // No file, no trace: the box must not claim one is being written.
            cbTraceFile->setChecked(false);
            QMessageBox::warning(this, "Warning",
                                 QString("Cannot create the trace file %1 in the folder %2.")
                                     .arg(traceFileName, QDir::toNativeSeparators(QDir::currentPath())));
        } else if (auto* mainWindow = qobject_cast<TMainWindow*>(parentWidget())) {
            // Written into the current folder: the log says which.
            mainWindow->AddStatusMessage("Tracing to " + QDir::toNativeSeparators(QDir::current().absoluteFilePath(traceFileName)));
        }
    }
    traceToFile = traceStream != nullptr;
    processor.SetTraceEnabled(traceToFile || traceOnScreen);
}

void TPCZ80Form::cbTraceScreenClick() {
    traceOnScreen = cbTraceScreen->isChecked();
    processor.SetTraceEnabled(traceToFile || traceOnScreen);
}

void TPCZ80Form::btnStepZ80Click() {
    processor.running = true;
    processor.Step();
    processor.Stop();
}

void TPCZ80Form::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    processor.DebugWindowClosed();
    if (closed) closed();
}

void TPCZ80Form::CloseTraceFile() {
    if (traceStream) std::fclose(traceStream);
    traceStream = nullptr;
}
