#pragma once

#include <QWidget>
#include <cstdint>

#include "machine/pc_msx.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Memory View": hex and ASCII of the 64 KB the processor sees now, or of one
// slot's banks, following an address or a label; editable while the machine
// stands. It reads memory only when asked or when the machine stops.
class TMemoryViewForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int bytesPerLine = 16;

    TMemoryViewForm(TPCMSX& machine, QWidget* owner);

    // Fills the view from memory as it stands now.
    void ShowMemory();
    // Scrolls to the line of an address or label; false when the text is neither.
    bool GoTo(const QString& text);
    // The byte the view shows at address, from the source chosen.
    std::uint8_t ByteAt(std::uint16_t address) const;

    void btnWriteClick();

    // Source 0 is the processor's view; source 1 + 4 * primary + secondary a slot's banks.
    QComboBox* comboSource;
    QLineEdit* editGoTo;
    QPlainTextEdit* memoMemory;
    QLineEdit* editWrite;
    QPushButton* btnWrite;
    QPushButton* btnRefresh;
    QLabel* lblStatus;

private:
    TPCMSX& machine;
};
