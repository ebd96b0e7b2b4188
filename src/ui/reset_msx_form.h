#pragma once

#include <QDialog>

class QPushButton;
class QRadioButton;

// The reset dialog. It is kept for the whole run, so the last choice stays selected.
class TResetMSXForm : public QDialog {
    Q_OBJECT

public:
    // What exec() answers; closing the dialog any other way than OK cancels.
    static constexpr int cancelOutcome = QDialog::Rejected;
    static constexpr int softOutcome = 1;
    static constexpr int hardOutcome = 2;

    explicit TResetMSXForm(QWidget* parent = nullptr);

    void btnOKClick();
    void btnCancelClick();

    QRadioButton* radioSoft;
    QRadioButton* radioHard;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};
