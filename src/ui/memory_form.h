#pragma once

#include <QWidget>
#include <functional>

#include "memory/pc_memory_selector.h"

class QLabel;
class QSpinBox;
class QTableWidget;

// "Memory Info": which bank each page sees, what every primary slot holds and
// what the secondary slots of one chosen primary slot hold. Names only.
class TMemoryForm : public QWidget, public TMemoryDebugForm {
    Q_OBJECT

public:
    // closed runs after the selector has heard of the close.
    TMemoryForm(TPCMemorySelector& selector, std::function<void()> closed, QWidget* owner);

    void SetupGrids() override;
    void Show() override { show(); }
    void ShowSelectedSlots() override;
    void ShowPrimarySlots() override;
    void ShowSecondarySlots(int primary) override;

    void udPrimarySlotClick();

    QTableWidget* gridSelected;
    QTableWidget* gridPrimary;
    QTableWidget* gridSecondary;
    QLabel* lblSecondary;
    QLabel* lblPrimaryReg;
    QLabel* lblSecondaryReg;
    QSpinBox* udPrimarySlot;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QString BankName(int primary, int secondary, int page) const;

    TPCMemorySelector& selector;
    std::function<void()> closed;
};
