#include "ui/v9918_form.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>

#include "ui/hex_text.h"

namespace {

constexpr int lineHeight = 18;

// A fixed label and its value label on one line of a group; the value label
// is made as wide as its widest text, so no later text is cut.
QLabel* AddLine(QGroupBox* group, int line, const char* caption, int valueX, const char* initial,
                const char* widest) {
    const int y = 22 + line * lineHeight;
    (new QLabel(caption, group))->move(10, y);
    auto* value = new QLabel(widest, group);
    value->move(valueX, y);
    value->adjustSize();
    value->setText(initial);
    return value;
}

}  // namespace

TV9918Form::TV9918Form(TPCV9918& vdp, std::function<void()> closed, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint),
      vdp(vdp),
      closed(std::move(closed)) {
    setWindowTitle("V9918 info");
    setFixedSize(394, 263);

    auto* registers = new QGroupBox("V9918 Registers", this);
    registers->setGeometry(8, 4, 120, 251);
    for (int index = 0; index < TV9918::registerCount; ++index) {
        const QByteArray caption = QString("%1:").arg(index, 2, 10, QChar('0')).toLatin1();
        lblRegisters[index] = AddLine(registers, index, caption.constData(), 60, "00h", "00h");
    }
    lblStatus = AddLine(registers, TV9918::registerCount + 1, "Status:", 60, "00000000b", "00000000b");

    auto* misc = new QGroupBox("Misc", this);
    misc->setGeometry(136, 4, 250, 116);
    lblVRAMRead = AddLine(misc, 0, "VRAM read address:", 160, "0000h", "0000h");
    lblVRAMWrite = AddLine(misc, 1, "VRAM write address:", 160, "0000h", "0000h");
    Label12 = AddLine(misc, 2, "Port 99h expecting:", 160, "data", "Register");
    lblData = AddLine(misc, 3, "Data holder:", 160, "00h", "n/a");
    lblscrmode = AddLine(misc, 4, "Screen mode:", 160, "0", "0");

    auto* tables = new QGroupBox("Tables", this);
    tables->setGeometry(136, 124, 250, 131);
    lblpatgen = AddLine(tables, 0, "Pattern generator:", 160, "00000h", "00000h");
    lblpatnam = AddLine(tables, 1, "Pattern name:", 160, "00000h", "00000h");
    lblcoltab = AddLine(tables, 2, "Color:", 160, "00000h", "00000h");
    lblsprgen = AddLine(tables, 3, "Sprite generator:", 160, "00000h", "00000h");
    lblspratt = AddLine(tables, 4, "Sprite attribute:", 160, "00000h", "00000h");
    lblsprcol = AddLine(tables, 5, "Sprite color:", 160, "00000h", "00000h");
}

void TV9918Form::Refresh() {
    for (int index = 0; index < TV9918::registerCount; ++index) {
        lblRegisters[index]->setText(HexText(vdp.GetRegister(index), 2) + "h");
    }
    lblStatus->setText(HexText(vdp.GetStatus(), 2) + "h");
    lblVRAMRead->setText(HexText(vdp.GetReadAddress(), 4) + "h");
    lblVRAMWrite->setText(HexText(vdp.GetWriteAddress(), 4) + "h");
    if (vdp.GetLatchPending()) {
        Label12->setText("Register");
        lblData->setText(HexText(vdp.GetLatchByte(), 2) + "h");
    } else {
        Label12->setText("Data");
        lblData->setText("n/a");
    }
    lblscrmode->setText(QString::number(vdp.GetScreenMode()));
    lblpatgen->setText(HexText(vdp.GetPatternGeneratorTable(), 5) + "h");
    lblpatnam->setText(HexText(vdp.GetNameTable(), 5) + "h");
    lblcoltab->setText(HexText(vdp.GetColourTable(), 5) + "h");
    lblsprgen->setText(HexText(vdp.GetSpritePatternTable(), 5) + "h");
    lblspratt->setText(HexText(vdp.GetSpriteAttributeTable(), 5) + "h");
    // This chip has no sprite colour table.
    lblsprcol->setText("00000h");
}

void TV9918Form::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    vdp.DebugWindowClosed();
    if (closed) closed();
}
