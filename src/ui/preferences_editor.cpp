#include "ui/preferences_editor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <fstream>
#include <system_error>

#include "host/cartridge_kind_settings.h"
#include "host/long_paths.h"
#include "memory/rom_file_check.h"
#include "peripherals/joystick.h"
#include "peripherals/printer.h"
#include "ui/editor_widgets.h"
#include "ui/file_dialogs.h"
#include "ui/main_window.h"

namespace {

constexpr std::uint8_t unusedSlot = 255;
const char* const rebootQuestion = "To apply the new settings the MSX needs a reboot.\nReboot Now?";
const char* const cassetteQuestion = "To apply the new cassette settings the existing file will be deleted!\nContinue?";

QPushButton* NewSmallButton(const QString& caption) {
    auto* button = new QPushButton(caption);
    button->setAutoDefault(false);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance("...") + 16);
    return button;
}

// A radio group in a frame; the buttons' ids are their indexes.
QButtonGroup* NewRadioGroup(QWidget* owner, const QStringList& items, QList<QRadioButton*>& buttons) {
    auto* group = new QButtonGroup(owner);
    for (const QString& item : items) {
        auto* button = new QRadioButton(item);
        group->addButton(button, static_cast<int>(buttons.size()));
        buttons << button;
    }
    return group;
}

// Selects item index, or none when the stored value is out of range.
void SelectRadio(QButtonGroup& group, int index) {
    if (QAbstractButton* button = group.button(index)) {
        button->setChecked(true);
        return;
    }
    group.setExclusive(false);
    for (QAbstractButton* button : group.buttons()) button->setChecked(false);
    group.setExclusive(true);
}

QString FileNameOnly(const std::string& path) {
    return QString::fromStdString(std::filesystem::path(path).filename().string());
}

}  // namespace

TPreferencesEditor::TPreferencesEditor(const std::filesystem::path& folder, TJoystickService& joysticks,
                                       TPrinterPorts& printerPorts, QWidget* parent)
    : QDialog(parent), programFolder(folder) {
    setWindowTitle("Preferences");
    resize(463, 309);

    pages = new QTabWidget;
    // Every tab stays in sight: the window widens rather than scrolling them.
    pages->setUsesScrollButtons(false);
    pages->addTab(CreateConfigurationTab(), "Configuration");
    pages->addTab(new QWidget, "Disk");
    pages->addTab(CreateCassetteTab(), "Cassette");
    pages->addTab(CreateCartridgesTab(), "Cartridges");
    pages->addTab(CreateAudioTab(), "Audio");
    pages->addTab(CreateJoysticksTab(), "Joysticks");
    pages->addTab(CreatePrinterTab(), "Printer");

    btnClose = new QPushButton("Close");
    connect(btnClose, &QPushButton::clicked, this, &TPreferencesEditor::btnCloseClick);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(buttons);

    // The host's lists, from objects made only to ask for them.
    const TJoystick joystickList(joysticks);
    for (int number = 0; number < joystickList.GetJoystickCount(); ++number) {
        const QString name = QString::fromStdString(joystickList.GetJoystickName(number));
        comboJoystickPort1->addItem(name);
        comboJoystickPort2->addItem(name);
    }
    const TMSXPrinter printerList(printerPorts);
    for (int index = 0; index < printerList.GetPortCount(); ++index) {
        comboPrinterPort->addItem(QString::fromStdString(printerList.GetPortName(index)));
    }
    for (int index = 0; index < printerList.GetPrinterCount(); ++index) {
        comboPrinter->addItem(QString::fromStdString(printerList.GetPrinterName(index)));
    }
}

QWidget* TPreferencesEditor::CreateConfigurationTab() {
    editConfiguration = new QLineEdit;
    editConfiguration->setReadOnly(true);
    btnConfig = NewSmallButton("...");
    connect(btnConfig, &QPushButton::clicked, this, &TPreferencesEditor::btnConfigClick);
    auto* row = new QHBoxLayout;
    row->addWidget(editConfiguration);
    row->addWidget(btnConfig);
    auto* layout = new QFormLayout;
    layout->addRow("Default configuration:", row);
    return Tab(layout);
}

QWidget* TPreferencesEditor::CreateCassetteTab() {
    editCasFile = new QLineEdit;
    btnCasFile = NewSmallButton("...");
    comboCasLength = NewList({"10 Min.", "15 Min.", "30 Min.", "45 Min."});
    comboCasAccuracy = NewList({"Normal", "High", "Very High"});
    connect(btnCasFile, &QPushButton::clicked, this, &TPreferencesEditor::btnCasFileClick);
    connect(editCasFile, &QLineEdit::textEdited, this, &TPreferencesEditor::editCasFileChange);
    connect(comboCasLength, &QComboBox::activated, this, &TPreferencesEditor::comboCasLengthChange);
    connect(comboCasAccuracy, &QComboBox::activated, this, &TPreferencesEditor::comboCasAccuracyChange);
    auto* file = new QHBoxLayout;
    file->addWidget(editCasFile);
    file->addWidget(btnCasFile);
    auto* layout = new QFormLayout;
    layout->addRow("Cassette file:", file);
    layout->addRow("Cassette length:", comboCasLength);
    layout->addRow("Accuracy:", comboCasAccuracy);
    return Tab(layout);
}

QWidget* TPreferencesEditor::CreateCartridgesTab() {
    auto* group = new QGroupBox("Cartridge Settings");
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(2);
    // One row per slot, the kind beside the file; the rows of slots the configuration
    // lacks are hidden and take no room.
    for (int row = 0; row < rowCount; ++row) {
        labelSlot[row] = new QLabel(QString("Slot #%1:").arg(row + 1));
        editSlot[row] = new QLineEdit;
        editSlot[row]->setReadOnly(true);
        btnSlotFile[row] = NewSmallButton("...");
        btnSlotClear[row] = NewSmallButton("X");
        comboSlotKind[row] = new QComboBox;
        for (const TCartridgeKind kind : cartridgeKinds) comboSlotKind[row]->addItem(CartridgeKindName(kind));
        connect(btnSlotFile[row], &QPushButton::clicked, this, [this, row] { btnSlot1FileClick(row); });
        connect(btnSlotClear[row], &QPushButton::clicked, this, [this, row] { btnSlot1ClearClick(row); });
        connect(comboSlotKind[row], &QComboBox::activated, this, [this, row] { comboSlot1KindChange(row); });
        grid->addWidget(labelSlot[row], row, 0);
        grid->addWidget(editSlot[row], row, 1);
        grid->addWidget(btnSlotFile[row], row, 2);
        grid->addWidget(btnSlotClear[row], row, 3);
        grid->addWidget(comboSlotKind[row], row, 4);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(rowCount, 1);
    auto* layout = new QVBoxLayout;
    layout->addWidget(group);
    return Tab(layout);
}

QWidget* TPreferencesEditor::CreateAudioTab() {
    // The volumes are attenuations: 0, the loudest, at the top.
    const auto chip = [](const QString& title, QCheckBox*& disabled, QSlider*& volume) {
        auto* group = new QGroupBox(title);
        disabled = new QCheckBox("Disabled");
        volume = new QSlider(Qt::Vertical);
        volume->setRange(0, 20);
        volume->setInvertedAppearance(true);
        volume->setInvertedControls(true);
        volume->setTickPosition(QSlider::TicksRight);
        auto* scale = new QVBoxLayout;
        scale->addWidget(new QLabel("0"));
        scale->addStretch();
        scale->addWidget(new QLabel("20"));
        auto* bar = new QHBoxLayout;
        bar->addWidget(volume);
        bar->addLayout(scale);
        bar->addStretch();
        auto* layout = new QVBoxLayout(group);
        layout->addWidget(disabled);
        layout->addLayout(bar, 1);
        return group;
    };
    auto* layout = new QHBoxLayout;
    layout->addWidget(chip("PSG", cbPSGDisabled, barPSGVolume));
    layout->addWidget(chip("SCC", cbSCCDisabled, barSCCVolume));
    connect(cbPSGDisabled, &QCheckBox::clicked, this, &TPreferencesEditor::cbPSGDisabledClick);
    connect(cbSCCDisabled, &QCheckBox::clicked, this, &TPreferencesEditor::cbSCCDisabledClick);
    connect(barPSGVolume, &QSlider::valueChanged, this, &TPreferencesEditor::barPSGVolumeChange);
    connect(barSCCVolume, &QSlider::valueChanged, this, &TPreferencesEditor::barSCCVolumeChange);
    return Tab(layout);
}

QWidget* TPreferencesEditor::CreateJoysticksTab() {
    const auto port = [this](const QString& title, QButtonGroup*& radio, QComboBox*& list) {
        auto* group = new QGroupBox(title);
        QList<QRadioButton*> buttons;
        radio = NewRadioGroup(this, {"Not Connected", "PC Joystick", "Mouse"}, buttons);
        list = new QComboBox;
        auto* layout = new QVBoxLayout(group);
        for (QRadioButton* button : buttons) layout->addWidget(button);
        layout->addWidget(list);
        layout->addStretch();
        return group;
    };
    auto* layout = new QHBoxLayout;
    layout->addWidget(port("Joystick Port 1", radioJoystick1, comboJoystickPort1));
    layout->addWidget(port("Joystick Port 2", radioJoystick2, comboJoystickPort2));
    connect(radioJoystick1, &QButtonGroup::idClicked, this, &TPreferencesEditor::radioJoystick1Click);
    connect(radioJoystick2, &QButtonGroup::idClicked, this, &TPreferencesEditor::radioJoystick2Click);
    connect(comboJoystickPort1, &QComboBox::activated, this, &TPreferencesEditor::comboJoystickPort1Change);
    connect(comboJoystickPort2, &QComboBox::activated, this, &TPreferencesEditor::comboJoystickPort2Change);
    return Tab(layout);
}

QWidget* TPreferencesEditor::CreatePrinterTab() {
    auto* group = new QGroupBox("Printer Settings");
    QList<QRadioButton*> buttons;
    radioPrinterSelection =
        NewRadioGroup(this, {"Not Connected", "Send to Port", "Send to File", "Windows printer"}, buttons);
    // The preferences keep the port as a place in the host's list, so the list
    // takes picks only: a typed name would have nowhere to be kept.
    comboPrinterPort = new QComboBox;
    editPrinterFile = new QLineEdit;
    btnPrinterFile = NewSmallButton("...");
    comboPrinter = new QComboBox;
    comboPrinter->hide();
    auto* grid = new QGridLayout(group);
    for (int index = 0; index < buttons.size(); ++index) grid->addWidget(buttons[index], index, 0);
    grid->addWidget(comboPrinterPort, 1, 1, 1, 2);
    grid->addWidget(editPrinterFile, 2, 1);
    grid->addWidget(btnPrinterFile, 2, 2);
    grid->addWidget(comboPrinter, 3, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
    connect(radioPrinterSelection, &QButtonGroup::idClicked, this, &TPreferencesEditor::radioPrinterSelectionClick);
    connect(comboPrinterPort, &QComboBox::activated, this, &TPreferencesEditor::comboPrinterPortChange);
    connect(comboPrinter, &QComboBox::activated, this, &TPreferencesEditor::comboPrinterChange);
    connect(editPrinterFile, &QLineEdit::textEdited, this, &TPreferencesEditor::editPrinterFileChange);
    connect(btnPrinterFile, &QPushButton::clicked, this, &TPreferencesEditor::btnPrinterFileClick);
    auto* layout = new QVBoxLayout;
    layout->addWidget(group);
    return Tab(layout);
}

void TPreferencesEditor::SetPreferences(TPreferences* edited) { preferences = edited; }

void TPreferencesEditor::RefreshControls() {
    if (!preferences) return;
    const TPreferences& shown = *preferences;
    // The extension is not shown: "MSX1.qcf" shows as MSX1 (an older "MSX1" as an empty box).
    const std::string& name = shown.defaultConfiguration;
    editConfiguration->setText(QString::fromStdString(name.size() > 4 ? name.substr(0, name.size() - 4) : ""));

    for (int row = 0; row < rowCount; ++row) {
        const bool used = row < shown.cartridgeSlotCount;
        labelSlot[row]->setVisible(used);
        editSlot[row]->setVisible(used);
        btnSlotFile[row]->setVisible(used);
        btnSlotClear[row]->setVisible(used);
        comboSlotKind[row]->setVisible(used);
        if (!used) continue;
        const TCartridgeSlot slot = shown.cartridgeSlots[row];
        QString label = QString("Slot: %1").arg(int{slot.primary});
        if (slot.secondary != unusedSlot) label += QString(" - %1").arg(int{slot.secondary});
        labelSlot[row]->setText(label);
        editSlot[row]->setText(FileNameOnly(shown.cartridgeFiles[row]));
        editSlot[row]->setCursorPosition(0);
        RefreshSlotKind(row);
    }

    SelectRadio(*radioJoystick1, shown.joystick1Device);
    SelectRadio(*radioJoystick2, shown.joystick2Device);
    comboJoystickPort1->setCurrentIndex(shown.joystick1Id);
    comboJoystickPort2->setCurrentIndex(shown.joystick2Id);
    comboJoystickPort1->setEnabled(shown.joystick1Device == 1);
    comboJoystickPort2->setEnabled(shown.joystick2Device == 1);

    comboPrinterPort->setEnabled(shown.printerOutput == TMSXPrinter::sendToPort);
    editPrinterFile->setEnabled(shown.printerOutput == TMSXPrinter::sendToFile);
    btnPrinterFile->setEnabled(shown.printerOutput == TMSXPrinter::sendToFile);
    comboPrinter->setEnabled(shown.printerOutput == TMSXPrinter::hostPrinter);
    SelectRadio(*radioPrinterSelection, shown.printerOutput);
    comboPrinterPort->setCurrentIndex(shown.printerPort);
    comboPrinter->setCurrentIndex(shown.hostPrinter);
    editPrinterFile->setText(QString::fromStdString(shown.printerFile));

    comboCasLength->setCurrentIndex(shown.cassetteLength);
    comboCasAccuracy->setCurrentIndex(shown.cassetteAccuracy);
    editCasFile->setText(QString::fromStdString(shown.cassetteFile));

    // Showing a volume is no edit: a stored value beyond the bar's range stays.
    const QSignalBlocker psgBlocker(barPSGVolume);
    const QSignalBlocker sccBlocker(barSCCVolume);
    barPSGVolume->setValue(shown.psgVolume);
    barSCCVolume->setValue(shown.sccVolume);
    cbPSGDisabled->setChecked(shown.psgDisabled);
    cbSCCDisabled->setChecked(shown.sccDisabled);
    barPSGVolume->setEnabled(!shown.psgDisabled);
    barSCCVolume->setEnabled(!shown.sccDisabled);
}

void TPreferencesEditor::btnConfigClick() {
    const QString chosen = ChooseOpenFile(this, "QUIB! Configurations (*.qcf)",
                                          QString::fromStdString((programFolder / "Configurations").string()));
    if (chosen.isEmpty()) return;
    preferences->defaultConfiguration = FileNameOnly(chosen.toStdString()).toStdString();
    configurationChanged = true;
    RefreshControls();
}

void TPreferencesEditor::btnCasFileClick() {
    const QString chosen = ChooseOpenFile(this, "QUIB! Cassette file (*.qcs)", {}, QFileDialog::AnyFile);
    if (chosen.isEmpty()) return;
    editCasFile->setText(chosen);
    editCasFileChange();
}

void TPreferencesEditor::editCasFileChange() { preferences->cassetteFile = editCasFile->text().toStdString(); }

void TPreferencesEditor::comboCasLengthChange() { preferences->cassetteLength = comboCasLength->currentIndex(); }

void TPreferencesEditor::comboCasAccuracyChange() { preferences->cassetteAccuracy = comboCasAccuracy->currentIndex(); }

void TPreferencesEditor::btnSlot1FileClick(int row) {
    const QString chosen = ChooseOpenFile(this, "MSX ROM Files (*.rom)", {});
    if (chosen.isEmpty()) return;
    // A file that cannot be a cartridge is refused now, not found out at the reboot.
    if (const std::string problem = TROMFileCheck::CartridgeProblem(chosen.toStdString()); !problem.empty()) {
        QMessageBox::warning(this, "Warning", QString::fromStdString(problem));
        return;
    }
    editSlot[row]->setText(FileNameOnly(chosen.toStdString()));
    editSlot[row]->setCursorPosition(0);
    preferences->cartridgeFiles[row] = chosen.toStdString();
    cartridgesChanged = true;
    RefreshSlotKind(row);
}

void TPreferencesEditor::btnSlot1ClearClick(int row) {
    editSlot[row]->clear();
    preferences->cartridgeFiles[row].clear();
    cartridgesChanged = true;
    RefreshSlotKind(row);
}

void TPreferencesEditor::RefreshSlotKind(int row) {
    const std::filesystem::path image = preferences->cartridgeFiles[row];
    QComboBox& list = *comboSlotKind[row];
    const TCartridgeKind named = image.empty() ? TCartridgeKind::automatic : CartridgeKindInFileName(image);
    TROMAnalysis analysis;
    QString automatic = CartridgeKindName(TCartridgeKind::automatic);
    if (named != TCartridgeKind::automatic) {
        automatic += QString(": ") + CartridgeKindName(named) + " (file name)";
    } else if (!image.empty() && TCartridgeAnalysis::AnalyseROM(image, analysis) == 0) {
        automatic += QString(": ") + QString::fromStdString(TCartridgeAnalysis::KindText(analysis.cartridgeKind));
    }
    list.setItemText(0, automatic);
    // A tag in the file name beats a choice here; without an image there is nothing to choose for.
    list.setEnabled(!image.empty() && named == TCartridgeKind::automatic);
    const TCartridgeKind chosen = list.isEnabled() ? TCartridgeKindSettings(programFolder)
                                                         .Read(preferences->cartridgeSlots[row], image)
                                                   : TCartridgeKind::automatic;
    list.setCurrentIndex(static_cast<int>(chosen));
}

void TPreferencesEditor::comboSlot1KindChange(int row) {
    const auto kind = static_cast<TCartridgeKind>(comboSlotKind[row]->currentIndex());
    TCartridgeKindSettings(programFolder).Write(preferences->cartridgeSlots[row], preferences->cartridgeFiles[row], kind);
    cartridgesChanged = true;
}

void TPreferencesEditor::cbPSGDisabledClick() {
    preferences->psgDisabled = cbPSGDisabled->isChecked();
    barPSGVolume->setEnabled(!preferences->psgDisabled);
}

void TPreferencesEditor::cbSCCDisabledClick() {
    preferences->sccDisabled = cbSCCDisabled->isChecked();
    barSCCVolume->setEnabled(!preferences->sccDisabled);
}

void TPreferencesEditor::barPSGVolumeChange() { preferences->psgVolume = barPSGVolume->value(); }

void TPreferencesEditor::barSCCVolumeChange() { preferences->sccVolume = barSCCVolume->value(); }

void TPreferencesEditor::radioJoystick1Click() {
    preferences->joystick1Device = radioJoystick1->checkedId();
    comboJoystickPort1Change();
    RefreshControls();
}

void TPreferencesEditor::radioJoystick2Click() {
    preferences->joystick2Device = radioJoystick2->checkedId();
    comboJoystickPort2Change();
    RefreshControls();
}

// An empty list (no host joystick) keeps the stored joystick for a later session.
void TPreferencesEditor::comboJoystickPort1Change() {
    if (comboJoystickPort1->currentIndex() >= 0) preferences->joystick1Id = comboJoystickPort1->currentIndex();
}

void TPreferencesEditor::comboJoystickPort2Change() {
    if (comboJoystickPort2->currentIndex() >= 0) preferences->joystick2Id = comboJoystickPort2->currentIndex();
}

void TPreferencesEditor::radioPrinterSelectionClick() {
    preferences->printerOutput = radioPrinterSelection->checkedId();
    RefreshControls();
}

void TPreferencesEditor::comboPrinterPortChange() { preferences->printerPort = comboPrinterPort->currentIndex(); }

void TPreferencesEditor::comboPrinterChange() { preferences->hostPrinter = comboPrinter->currentIndex(); }

void TPreferencesEditor::editPrinterFileChange() { preferences->printerFile = editPrinterFile->text().toStdString(); }

void TPreferencesEditor::btnPrinterFileClick() {
    const QString chosen = ChooseOpenFile(this, "Printer text file (*.txt)", {}, QFileDialog::AnyFile);
    if (chosen.isEmpty()) return;
    editPrinterFile->setText(chosen);
    editPrinterFileChange();
}

bool TPreferencesEditor::CheckCassetteSettings() {
    const std::filesystem::path image = preferences->cassetteFile;
    std::ifstream file(image, std::ios::binary);
    char header[7];
    if (!file || !file.read(header, sizeof header)) return true;
    file.close();
    const auto storedLength = static_cast<std::uint8_t>(header[5]);
    const auto storedAccuracy = static_cast<std::uint8_t>(header[6]);
    if (storedLength == preferences->cassetteLength && storedAccuracy == preferences->cassetteAccuracy) return true;
    if (QMessageBox::question(this, "Cassette settings changed", cassetteQuestion, QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes) {
        return false;
    }
    // The machine's cassette saves its tape to the image when it lets go of it,
    // which a rebuild does: it lets go now, before the image is deleted.
    if (currentMachine && currentMachine->GetCassette()) {
        currentMachine->GetCassette()->Open({}, static_cast<std::uint8_t>(preferences->cassetteLength),
                                            static_cast<std::uint8_t>(preferences->cassetteAccuracy));
    }
    std::error_code ignored;
    std::filesystem::remove(image, ignored);
    return true;
}

bool TPreferencesEditor::ApplyOnClose() {
    const std::filesystem::path file = programFolder / TPreferences::preferencesFileName;
    if (!preferences->Save(file)) {
        QMessageBox::warning(this, "Warning",
                             QString::fromStdString("The preferences could not be saved to " + file.string() +
                                                    ". They stay in use until the program ends."));
    }
    TLongPaths::Store(*preferences, programFolder);
    if (!CheckCassetteSettings()) return false;
    if (configurationChanged || cartridgesChanged) {
        if (QMessageBox::question(this, "Configuration changed", rebootQuestion, QMessageBox::Yes | QMessageBox::No) !=
            QMessageBox::Yes) {
            return false;
        }
        // The rebuild uses the configuration in memory; a new default one is
        // loaded at the next start.
        if (currentMachine) currentMachine->Reset(configurationChanged ? 2 : 0);
        configurationChanged = cartridgesChanged = false;
        if (currentMachine) currentMachine->ApplyPreferences(true);
        ShowMachineProblems(this);
        return true;
    }
    if (currentMachine) currentMachine->ApplyPreferences(false);
    return true;
}

void TPreferencesEditor::btnCloseClick() { close(); }

bool TPreferencesEditor::FormCloseQuery() { return ApplyOnClose(); }

void TPreferencesEditor::reject() {
    if (FormCloseQuery()) QDialog::reject();
}

void TPreferencesEditor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TPreferencesEditor::FormShow() { RefreshControls(); }
