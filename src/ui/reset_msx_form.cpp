#include "ui/reset_msx_form.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TResetMSXForm::TResetMSXForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Reset MSX");
    resize(227, 171);

    auto* group = new QGroupBox("Select reset method", this);
    radioSoft = new QRadioButton("&Soft Reset", group);
    radioHard = new QRadioButton("&Hard Reset (clears all RAM)", group);
    radioSoft->setChecked(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(radioSoft);
    groupLayout->addWidget(radioHard);

    btnOK = new QPushButton("&OK", this);
    btnCancel = new QPushButton("Cancel", this);
    btnOK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &TResetMSXForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TResetMSXForm::btnCancelClick);
}

void TResetMSXForm::btnOKClick() { done(radioSoft->isChecked() ? softOutcome : hardOutcome); }

void TResetMSXForm::btnCancelClick() { done(cancelOutcome); }
