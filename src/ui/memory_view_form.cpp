#include "ui/memory_view_form.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include "ui/hex_text.h"

TMemoryViewForm::TMemoryViewForm(TPCMSX& machine, QWidget* owner) : QWidget(owner, Qt::Window), machine(machine) {
    setWindowTitle("Memory View");
    QFont fixedPitch("Monospace");
    fixedPitch.setStyleHint(QFont::TypeWriter);

    comboSource = new QComboBox(this);
    comboSource->addItem("Processor (64 KB as selected now)");
    for (int primary = 0; primary < 4; ++primary) {
        for (int secondary = 0; secondary < 4; ++secondary) comboSource->addItem(QString("Slot %1-%2").arg(primary).arg(secondary));
    }
    connect(comboSource, &QComboBox::currentIndexChanged, this, &TMemoryViewForm::ShowMemory);
    editGoTo = new QLineEdit(this);
    editGoTo->setPlaceholderText("Go to address or label");
    connect(editGoTo, &QLineEdit::returnPressed, this, [this] {
        if (!GoTo(editGoTo->text())) lblStatus->setText("Not an address or a label: " + editGoTo->text());
    });
    btnRefresh = new QPushButton("Refresh", this);
    connect(btnRefresh, &QPushButton::clicked, this, &TMemoryViewForm::ShowMemory);

    memoMemory = new QPlainTextEdit(this);
    memoMemory->setReadOnly(true);
    memoMemory->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoMemory->setFont(fixedPitch);
    memoMemory->setMinimumSize(QFontMetrics(fixedPitch).horizontalAdvance(QString(74, 'M')), 400);

    editWrite = new QLineEdit(this);
    editWrite->setPlaceholderText("ADDR=BYTES, e.g. C000=3E 41");
    connect(editWrite, &QLineEdit::returnPressed, this, &TMemoryViewForm::btnWriteClick);
    btnWrite = new QPushButton("Write", this);
    connect(btnWrite, &QPushButton::clicked, this, &TMemoryViewForm::btnWriteClick);
    lblStatus = new QLabel(this);

    auto* top = new QHBoxLayout;
    top->addWidget(comboSource);
    top->addWidget(editGoTo, 1);
    top->addWidget(btnRefresh);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(editWrite, 1);
    bottom->addWidget(btnWrite);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(memoMemory);
    layout->addLayout(bottom);
    layout->addWidget(lblStatus);
}

std::uint8_t TMemoryViewForm::ByteAt(std::uint16_t address) const {
    const int source = comboSource->currentIndex();
    if (source <= 0) return machine.GetDebugger().Peek(address);
    const TMemorySelector* selector = machine.GetMemorySelector();
    TMemoryBank* bank = selector ? selector->GetBank((source - 1) / 4, (source - 1) % 4, address >> 14) : nullptr;
    return bank ? bank->Read(address) : 0xFF;
}

void TMemoryViewForm::ShowMemory() {
    if (!machine.GetZ80()) return;
    const int scrolled = memoMemory->verticalScrollBar()->value();
    QString text;
    text.reserve(0x10000 / bytesPerLine * 76);
    for (unsigned line = 0; line < 0x10000; line += bytesPerLine) {
        QString hex;
        QString ascii;
        for (unsigned offset = 0; offset < bytesPerLine; ++offset) {
            const std::uint8_t value = ByteAt(static_cast<std::uint16_t>(line + offset));
            hex += HexText(value, 2) + (offset == 7 ? "  " : " ");
            ascii += value >= 0x20 && value < 0x7F ? QChar(value) : QChar('.');
        }
        text += HexText(line, 4) + "  " + hex + " " + ascii + (line + bytesPerLine < 0x10000 ? "\n" : "");
    }
    memoMemory->setPlainText(text);
    memoMemory->verticalScrollBar()->setValue(scrolled);
    btnWrite->setEnabled(machine.IsStopped());
}

bool TMemoryViewForm::GoTo(const QString& text) {
    const std::optional<std::uint16_t> address = machine.GetDebugger().symbols.ParseAddress(text.toStdString());
    if (!address) return false;
    if (memoMemory->document()->blockCount() < 2) ShowMemory();
    // The line of the address at the top of the view.
    QTextCursor cursor(memoMemory->document()->findBlockByNumber(*address / bytesPerLine));
    memoMemory->verticalScrollBar()->setValue(memoMemory->verticalScrollBar()->maximum());
    memoMemory->setTextCursor(cursor);
    memoMemory->ensureCursorVisible();
    lblStatus->setText(QString::fromStdString(machine.GetDebugger().symbols.AddressText(*address)));
    return true;
}

void TMemoryViewForm::btnWriteClick() {
    if (!machine.IsStopped() || !machine.GetZ80()) {
        lblStatus->setText("Memory is written while the machine stands.");
        return;
    }
    const QStringList parts = editWrite->text().split('=');
    const std::optional<std::uint16_t> address =
        parts.size() == 2 ? machine.GetDebugger().symbols.ParseAddress(parts[0].toStdString()) : std::nullopt;
    std::vector<std::uint8_t> bytes;
    bool valid = address.has_value();
    for (const QString& part : parts.size() == 2 ? parts[1].split(' ', Qt::SkipEmptyParts) : QStringList()) {
        bool number = false;
        const unsigned value = part.toUInt(&number, 16);
        valid = valid && number && value <= 0xFF;
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    if (!address || !valid || bytes.empty()) {
        lblStatus->setText("Write takes ADDR=BYTES in hexadecimal, not " + editWrite->text());
        return;
    }
    const std::uint16_t start = address.value_or(0);
    const int source = comboSource->currentIndex();
    for (std::size_t index = 0; index < bytes.size(); ++index) {
        const auto at = static_cast<std::uint16_t>(start + index);
        if (source <= 0) {
            machine.GetDebugger().Poke(at, bytes[index]);
        } else if (TMemoryBank* bank = machine.GetMemorySelector()->GetBank((source - 1) / 4, (source - 1) % 4, at >> 14)) {
            bank->Write(at, bytes[index]);
        }
    }
    lblStatus->setText(QString("%1 bytes written at %2").arg(bytes.size()).arg(HexText(start, 4)));
    ShowMemory();
}
