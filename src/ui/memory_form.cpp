#include "ui/memory_form.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QTableWidget>

#include "ui/hex_text.h"

namespace {

constexpr int rowHeight = 16;
// Wide enough for a ROM file name such as cbios_main_msx1.rom.
constexpr int slotColumnWidth = 116;
constexpr int pageColumnWidth = 54;

QTableWidget* NewGrid(QWidget* owner, int columns, int columnWidth, int x, int y) {
    auto* grid = new QTableWidget(5, columns, owner);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setDefaultSectionSize(columnWidth);
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(rowHeight);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Display only, but not greyed out: the names stay readable and their tips show.
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->setTextElideMode(Qt::ElideMiddle);
    // Small enough for "Not expanded" and "Memory Mapper" in a 16-pixel row.
    QFont font = grid->font();
    font.setPixelSize(11);
    grid->setFont(font);
    grid->move(x, y);
    return grid;
}

void SetCell(QTableWidget* grid, int column, int row, const QString& text) {
    auto* item = new QTableWidgetItem(text);
    // Long ROM file names are cut in the cell; the tip shows them whole.
    item->setToolTip(text);
    grid->setItem(row, column, item);
}

// A grid exactly as large as its cells, frame included.
void FitGrid(QTableWidget* grid) {
    for (int row = 0; row < grid->rowCount(); ++row) grid->setRowHeight(row, rowHeight);
    int width = 2 * grid->frameWidth();
    for (int column = 0; column < grid->columnCount(); ++column) width += grid->columnWidth(column);
    grid->setFixedSize(width, 2 * grid->frameWidth() + grid->rowCount() * rowHeight);
}

}  // namespace

TMemoryForm::TMemoryForm(TPCMemorySelector& selector, std::function<void()> closed, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), selector(selector), closed(std::move(closed)) {
    setWindowTitle("Memory Info");
    setFixedSize(2 + pageColumnWidth + 4 * slotColumnWidth + 2 + 6, 361);

    (new QLabel("Selected slots", this))->move(8, 8);
    gridSelected = NewGrid(this, 2, 68, 8, 26);

    (new QLabel("Primary slots", this))->move(8, 122);
    (new QLabel("Reg. value:", this))->move(420, 122);
    lblPrimaryReg = new QLabel("FF", this);
    lblPrimaryReg->move(490, 122);
    gridPrimary = NewGrid(this, 5, slotColumnWidth, 2, 140);

    lblSecondary = new QLabel("Secondary slots for Primary slot 0", this);
    lblSecondary->move(8, 240);
    lblSecondary->setMinimumWidth(200);
    udPrimarySlot = new QSpinBox(this);
    udPrimarySlot->setRange(0, 3);
    udPrimarySlot->setWrapping(true);
    udPrimarySlot->move(215, 234);
    (new QLabel("Reg. value:", this))->move(420, 240);
    lblSecondaryReg = new QLabel("FF", this);
    lblSecondaryReg->move(490, 240);
    gridSecondary = NewGrid(this, 5, slotColumnWidth, 2, 262);
    SetupGrids();

    connect(udPrimarySlot, &QSpinBox::valueChanged, this, &TMemoryForm::udPrimarySlotClick);
}

void TMemoryForm::SetupGrids() {
    for (QTableWidget* grid : {gridSelected, gridPrimary, gridSecondary}) grid->clearSelection();
    gridSelected->setColumnWidth(0, pageColumnWidth);
    gridSelected->setColumnWidth(1, 2 * slotColumnWidth + 40);
    SetCell(gridSelected, 1, 0, "Bank");
    gridPrimary->setColumnWidth(0, pageColumnWidth);
    gridSecondary->setColumnWidth(0, pageColumnWidth);
    for (int i = 0; i < 4; ++i) {
        for (QTableWidget* grid : {gridSelected, gridPrimary, gridSecondary}) {
            SetCell(grid, 0, i + 1, QString("Page %1").arg(i));
        }
        SetCell(gridPrimary, i + 1, 0, QString("Slot %1").arg(i));
        SetCell(gridSecondary, i + 1, 0, QString("Slot %1").arg(i));
    }
    for (QTableWidget* grid : {gridSelected, gridPrimary, gridSecondary}) FitGrid(grid);
    const QSignalBlocker quiet(udPrimarySlot);
    udPrimarySlot->setValue(0);
}

QString TMemoryForm::BankName(int primary, int secondary, int page) const {
    const TMemoryBank* bank = selector.GetBank(primary, secondary, page);
    return bank ? QString::fromStdString(bank->GetName()) : QString();
}

void TMemoryForm::ShowSelectedSlots() {
    for (int page = 0; page < 4; ++page) {
        const int primary = selector.GetPagePrimary(page);
        const int secondary = selector.GetPageSecondary(primary, page);
        SetCell(gridSelected, 1, page + 1,
                QString("Slot %1 - %2:   %3").arg(primary).arg(secondary).arg(BankName(primary, secondary, page)));
    }
}

void TMemoryForm::ShowPrimarySlots() {
    for (int primary = 0; primary < 4; ++primary) {
        for (int page = 0; page < 4; ++page) {
            SetCell(gridPrimary, primary + 1, page + 1,
                    selector.IsExpanded(primary) ? QString("Expanded") : BankName(primary, 0, page));
        }
    }
    lblPrimaryReg->setText(HexText(selector.GetPrimarySlotRegister(), 2));
}

void TMemoryForm::ShowSecondarySlots(int primary) {
    lblSecondary->setText(QString("Secondary slots for Primary slot %1").arg(primary));
    for (int secondary = 0; secondary < 4; ++secondary) {
        SetCell(gridSecondary, secondary + 1, 0, QString("Slot %1 - %2").arg(primary).arg(secondary));
        for (int page = 0; page < 4; ++page) {
            SetCell(gridSecondary, secondary + 1, page + 1,
                    selector.IsExpanded(primary) ? BankName(primary, secondary, page) : QString("Not expanded"));
        }
    }
    lblSecondaryReg->setText(HexText(selector.GetSecondarySlotRegister(primary), 2));
    const QSignalBlocker quiet(udPrimarySlot);
    udPrimarySlot->setValue(primary);
}

void TMemoryForm::udPrimarySlotClick() { ShowSecondarySlots(udPrimarySlot->value()); }

void TMemoryForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    selector.DebugWindowClosed();
    if (closed) closed();
}
