#include "ui/configuration_editor.h"

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
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

#include "host/video_frequency_settings.h"
#include "memory/rom_file_check.h"
#include "ui/editor_widgets.h"
#include "ui/file_dialogs.h"
#include "ui/main_window.h"

namespace {

const QString configurationFilter = "QUIB! Configuration files (*.qcf)";
const QString romFilter = "MSX ROM files (*.rom)";

// A slot number 0 to 3 whose field only the up-down buttons change.
QSpinBox* NewSlotSpin() {
    auto* spin = new QSpinBox;
    spin->setRange(0, 3);
    spin->setWrapping(true);
    spin->findChild<QLineEdit*>()->setReadOnly(true);
    return spin;
}

}  // namespace

TConfigurationEditor::TConfigurationEditor(const std::filesystem::path& folder, QWidget* parent)
    : QDialog(parent), programFolder(folder) {
    setWindowTitle("Configuration Editor");

    listMSXType = NewList({"MSX1", "MSX2", "MSX2+", "MSX Turbo-R"});
    editDescription = new QLineEdit;
    auto* generic = new QFormLayout;
    generic->addRow("MSX type:", listMSXType);
    generic->addRow("Description:", editDescription);

    listCPU = NewList({"Z80", "R800"});
    auto* processor = new QFormLayout;
    processor->addRow("Processor:", listCPU);

    auto* slotSettings = new QGroupBox("Slot Settings");
    auto* slotLayout = new QGridLayout(slotSettings);
    listPrimarySecondary = NewList({"Primary", "Secondary"});
    spinPrimary = NewSlotSpin();
    spinSecondary = NewSlotSpin();
    editPrimary = spinPrimary->findChild<QLineEdit*>();
    editSecondary = spinSecondary->findChild<QLineEdit*>();
    cbIsExpanded = new QCheckBox("Is Expanded");
    auto* selected = new QHBoxLayout;
    selected->addWidget(listPrimarySecondary);
    selected->addWidget(spinPrimary);
    selected->addWidget(spinSecondary);
    selected->addWidget(cbIsExpanded);
    selected->addStretch();
    slotLayout->addWidget(new QLabel("Selected Slot:"), 0, 0);
    slotLayout->addLayout(selected, 0, 1, 1, 3);
    for (int page = 0; page < 4; ++page) {
        listPageType[page] = NewList({"Empty", "ROM", "RAM", "Memory Mapper", "Cartridge Slot"});
        editPageFile[page] = new QLineEdit;
        editPageFile[page]->setReadOnly(true);
        // Room for a name like cbios_main_msx1_page0.rom.
        editPageFile[page]->setMinimumWidth(editPageFile[page]->fontMetrics().horizontalAdvance(QString(26, 'x')));
        btnPageFile[page] = new QPushButton("...");
        btnPageFile[page]->setFixedWidth(btnPageFile[page]->fontMetrics().horizontalAdvance("...") + 16);
        slotLayout->addWidget(new QLabel(QString("Page %1:").arg(page)), page + 1, 0);
        slotLayout->addWidget(listPageType[page], page + 1, 1);
        slotLayout->addWidget(editPageFile[page], page + 1, 2);
        slotLayout->addWidget(btnPageFile[page], page + 1, 3);
    }
    labelMapper = new QLabel("Mapper size:");
    listMapper = NewList({"64 K", "128 K", "256 K", "512 K", "1 MB", "2 MB", "4 MB"});
    slotLayout->addWidget(labelMapper, 5, 0);
    slotLayout->addWidget(listMapper, 5, 1);
    slotLayout->setColumnStretch(2, 1);
    auto* memoryLayout = new QVBoxLayout;
    memoryLayout->addWidget(slotSettings);
    memoryLayout->addStretch();

    listVDP = NewList({"TMS9918", "V9938", "V9958"});
    listVRAM = NewList({"16K", "128K", "192K"});
    auto* video = new QFormLayout;
    video->addRow("Videochip:", listVDP);
    video->addRow("VRAM:", listVRAM);
    // In the order of TVideoFrequency.
    listFrequency = NewList({"Automatic", "50 Hz (TMS9929A)", "60 Hz (TMS9918A)"});
    video->addRow("Frequency:", listFrequency);

    pages = new QTabWidget;
    // Every tab stays in sight: the window widens rather than scrolling them.
    pages->setUsesScrollButtons(false);
    pages->addTab(Tab(generic), "Generic");
    pages->addTab(Tab(processor), "CPU");
    QWidget* memoryTab = Tab(memoryLayout);
    pages->addTab(memoryTab, "Memory Layout");
    pages->addTab(Tab(video), "Video");
    pages->addTab(new QWidget, "Audio");
    pages->setCurrentWidget(memoryTab);

    btnNew = new QPushButton("New");
    btnLoad = new QPushButton("Load");
    btnSave = new QPushButton("Save");
    btnClose = new QPushButton("Close");
    btnNew->setAutoDefault(false);
    btnLoad->setAutoDefault(false);
    btnSave->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnNew);
    buttons->addWidget(btnLoad);
    buttons->addWidget(btnSave);
    buttons->addStretch();
    buttons->addWidget(btnClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(buttons);

    // Only the user's own changes are edits: the signals below are not sent
    // when UpdateControls sets a control.
    connect(listMSXType, &QComboBox::activated, this, &TConfigurationEditor::listMSXTypeChange);
    connect(editDescription, &QLineEdit::textEdited, this, &TConfigurationEditor::editDescriptionChange);
    connect(listCPU, &QComboBox::activated, this, &TConfigurationEditor::listCPUChange);
    connect(listVDP, &QComboBox::activated, this, &TConfigurationEditor::listVDPChange);
    connect(listVRAM, &QComboBox::activated, this, &TConfigurationEditor::listVRAMChange);
    connect(listFrequency, &QComboBox::activated, this, &TConfigurationEditor::listFrequencyChange);
    connect(listPrimarySecondary, &QComboBox::activated, this, &TConfigurationEditor::listPrimarySecondaryChange);
    connect(spinPrimary, &QSpinBox::valueChanged, this, &TConfigurationEditor::spinPrimaryClick);
    connect(spinSecondary, &QSpinBox::valueChanged, this, &TConfigurationEditor::spinSecondaryClick);
    connect(cbIsExpanded, &QCheckBox::clicked, this, &TConfigurationEditor::cbIsExpandedClick);
    connect(listMapper, &QComboBox::activated, this, &TConfigurationEditor::listMapperChange);
    for (int page = 0; page < 4; ++page) {
        connect(listPageType[page], &QComboBox::activated, this, [this, page] { listPageTypeChange(page); });
        connect(btnPageFile[page], &QPushButton::clicked, this, [this, page] { btnPageFileClick(page); });
    }
    connect(btnLoad, &QPushButton::clicked, this, &TConfigurationEditor::btnLoadClick);
    connect(btnSave, &QPushButton::clicked, this, &TConfigurationEditor::btnSaveClick);
    connect(btnClose, &QPushButton::clicked, this, &TConfigurationEditor::btnCloseClick);
}

void TConfigurationEditor::SetConfiguration(TConfiguration& edited) {
    configuration = &edited;
    UpdateControls();
}

int TConfigurationEditor::EditedPrimary() const { return spinPrimary->value(); }

int TConfigurationEditor::EditedSecondary() const {
    return listPrimarySecondary->currentIndex() == secondaryView ? spinSecondary->value() : 0;
}

void TConfigurationEditor::UpdateControls() {
    if (!configuration) return;
    const TConfiguration& shown = *configuration;
    const int p = EditedPrimary();
    const int s = EditedSecondary();
    setWindowTitle(QString::fromStdString("Configuration Editor - " + shown.fileName));
    editDescription->setText(QString::fromStdString(shown.description));
    listMSXType->setCurrentIndex(shown.msxType);
    listCPU->setCurrentIndex(shown.cpu);
    listVDP->setCurrentIndex(shown.vdp);
    listVRAM->setCurrentIndex(shown.vram);
    listFrequency->setCurrentIndex(static_cast<int>(TVideoFrequencySettings(programFolder).Read(shown.fileName)));

    const bool secondaryShown = listPrimarySecondary->currentIndex() == secondaryView;
    const bool slotExpanded = shown.expanded[p] != 0;
    spinSecondary->setVisible(secondaryShown);
    cbIsExpanded->setVisible(!secondaryShown);
    listPrimarySecondary->setEnabled(secondaryShown || slotExpanded);
    spinPrimary->setEnabled(!secondaryShown);
    cbIsExpanded->setChecked(slotExpanded);

    // The pages of an expanded slot are edited in the Secondary view only.
    const bool pagesLocked = !secondaryShown && slotExpanded;
    for (int page = 0; page < 4; ++page) {
        QComboBox& list = *listPageType[page];
        list.setEditable(pagesLocked);
        list.setEnabled(!pagesLocked);
        list.setCurrentIndex(shown.pageType[p][s][page]);
        if (pagesLocked) list.setEditText("Expanded");
        const bool romShown = !pagesLocked && list.currentIndex() == TConfiguration::pageROM;
        editPageFile[page]->setVisible(romShown);
        btnPageFile[page]->setVisible(romShown);
        editPageFile[page]->setText(QString::fromStdString(shown.romFile[p][s][page]));
        editPageFile[page]->setCursorPosition(0);
    }
    const bool mapperShown = !pagesLocked && listPageType[0]->currentIndex() == TConfiguration::pageMemoryMapper;
    labelMapper->setVisible(mapperShown);
    listMapper->setVisible(mapperShown);
    listMapper->setCurrentIndex(shown.mapperSize[p][s]);
}

void TConfigurationEditor::Changed(bool affectsBuild) {
    modified = true;
    if (affectsBuild) needsReboot = true;
    UpdateControls();
}

void TConfigurationEditor::listMSXTypeChange() {
    configuration->msxType = static_cast<std::uint8_t>(listMSXType->currentIndex());
    Changed(false);
}

void TConfigurationEditor::editDescriptionChange() {
    configuration->description = editDescription->text().toStdString();
    Changed(false);
}

void TConfigurationEditor::listCPUChange() {
    configuration->cpu = static_cast<std::uint8_t>(listCPU->currentIndex());
    Changed(true);
}

void TConfigurationEditor::listVDPChange() {
    configuration->vdp = static_cast<std::uint8_t>(listVDP->currentIndex());
    Changed(true);
}

void TConfigurationEditor::listVRAMChange() {
    configuration->vram = static_cast<std::uint8_t>(listVRAM->currentIndex());
    Changed(true);
}

void TConfigurationEditor::listFrequencyChange() {
    // Saved at once: it is no part of the configuration file.
    TVideoFrequencySettings(programFolder)
        .Write(configuration->fileName, static_cast<TVideoFrequency>(listFrequency->currentIndex()));
    frequencyChanged = needsReboot = true;
    UpdateControls();
}

void TConfigurationEditor::listPrimarySecondaryChange() { UpdateControls(); }

void TConfigurationEditor::spinPrimaryClick() { UpdateControls(); }

void TConfigurationEditor::spinSecondaryClick() { UpdateControls(); }

void TConfigurationEditor::cbIsExpandedClick() {
    configuration->expanded[EditedPrimary()] = cbIsExpanded->isChecked() ? 1 : 0;
    Changed(true);
}

void TConfigurationEditor::listMapperChange() {
    configuration->mapperSize[EditedPrimary()][EditedSecondary()] = static_cast<std::uint8_t>(listMapper->currentIndex());
    Changed(true);
}

bool TConfigurationEditor::Confirm(const QString& question) {
    return QMessageBox::warning(this, "Warning", question, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void TConfigurationEditor::SetSlotPages(std::uint8_t type) {
    for (std::uint8_t& page : configuration->pageType[EditedPrimary()][EditedSecondary()]) page = type;
}

void TConfigurationEditor::listPageTypeChange(int page) {
    // A memory mapper and a cartridge slot fill the whole slot, so a slot has
    // either in all four pages or in none.
    const int chosen = listPageType[page]->currentIndex();
    const auto anyListShows = [this](int type) {
        for (QComboBox* list : listPageType) {
            if (list->currentIndex() == type) return true;
        }
        return false;
    };
    const auto allListsShow = [this](int type) {
        for (QComboBox* list : listPageType) {
            if (list->currentIndex() != type) return false;
        }
        return true;
    };
    if (chosen == TConfiguration::pageMemoryMapper || chosen == TConfiguration::pageCartridgeSlot) {
        const QString name = chosen == TConfiguration::pageMemoryMapper ? "Memory Mapper" : "Cartridge Slot";
        if (!allListsShow(chosen)) {
            if (Confirm("This will change all pages to the " + name + " type. Are you sure?")) {
                SetSlotPages(static_cast<std::uint8_t>(chosen));
                modified = needsReboot = true;
            }
        }
        UpdateControls();
        return;
    }
    for (const auto& [type, name] : {std::pair{TConfiguration::pageMemoryMapper, "Memory Mapper"},
                                     std::pair{TConfiguration::pageCartridgeSlot, "Cartridge Slot"}}) {
        if (!anyListShows(type)) continue;
        if (!Confirm(QString("This will remove the ") + name + " type for all pages. Are you sure?")) {
            UpdateControls();
            return;
        }
        SetSlotPages(TConfiguration::pageEmpty);
    }
    configuration->pageType[EditedPrimary()][EditedSecondary()][page] = static_cast<std::uint8_t>(chosen);
    Changed(true);
}

void TConfigurationEditor::editPageFileChange(int page) {
    configuration->romFile[EditedPrimary()][EditedSecondary()][page] = editPageFile[page]->text().toStdString();
    Changed(true);
}

QString TConfigurationEditor::ConfigurationFolder() const {
    return QString::fromStdString((programFolder / "Configurations").string());
}

void TConfigurationEditor::btnPageFileClick(int page) {
    const QString chosen = ChooseOpenFile(this, romFilter, ConfigurationFolder());
    if (chosen.isEmpty()) return;
    const std::filesystem::path source = chosen.toStdString();
    if (const std::string problem = TROMFileCheck::SystemPageProblem(source); !problem.empty()) {
        QMessageBox::warning(this, "Warning", QString::fromStdString(problem));
        return;
    }
    // The machine opens ROM images from the Configurations folder by name alone:
    // a ROM chosen elsewhere is copied there, so that what was picked is what boots.
    if (!CopyIntoConfigurations(source)) return;
    editPageFile[page]->setText(QString::fromStdString(source.filename().string()));
    editPageFileChange(page);
}

namespace {

std::vector<char> FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace

bool TConfigurationEditor::CopyIntoConfigurations(const std::filesystem::path& source) {
    const std::filesystem::path target = programFolder / "Configurations" / source.filename();
    std::error_code error;
    if (std::filesystem::equivalent(source, target, error)) return true;
    if (std::filesystem::exists(target, error)) {
        if (FileBytes(source) == FileBytes(target)) return true;
        const QString question = "A different file named " + QString::fromStdString(source.filename().string()) +
                                 " is already in the Configurations folder.\nReplace it with the chosen one?";
        if (QMessageBox::question(this, "Warning", question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            return false;
        }
    }
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, error);
    if (!error) return true;
    QMessageBox::warning(this, "Warning",
                         QString::fromStdString("The system ROM " + source.string() + " could not be copied to " +
                                                target.string() + ": " + error.message() + "."));
    return false;
}

void TConfigurationEditor::btnLoadClick() {
    const QString chosen = ChooseOpenFile(this, configurationFilter, ConfigurationFolder());
    if (chosen.isEmpty()) return;
    // A damaged file would put garbage in every field: it is refused, and what is shown stays.
    if (const std::string damage = TConfiguration::FindDamage(chosen.toStdString()); !damage.empty()) {
        QMessageBox::warning(this, "Warning",
                             "The configuration file " + chosen + " is damaged (" + QString::fromStdString(damage) +
                                 ") and was not loaded.");
        return;
    }
    if (!configuration->Load(chosen.toStdString())) {
        QMessageBox::warning(this, "Warning", "The configuration file " + chosen + " could not be read.");
        return;
    }
    modified = false;
    needsReboot = true;
    UpdateControls();
}

void TConfigurationEditor::SaveAs() {
    const QString chosen =
        ChooseSaveFile(this, configurationFilter, ConfigurationFolder(), QString::fromStdString(configuration->fileName));
    if (chosen.isEmpty()) return;
    if (!configuration->Save(chosen.toStdString())) {
        QMessageBox::warning(this, "Warning", "The configuration file " + chosen + " could not be written.");
    } else {
        modified = false;
        // The frequency shown goes with the file it is saved as.
        TVideoFrequencySettings(programFolder)
            .Write(configuration->fileName, static_cast<TVideoFrequency>(listFrequency->currentIndex()));
    }
    // Save takes the new file name even when it fails.
    UpdateControls();
}

void TConfigurationEditor::btnSaveClick() { SaveAs(); }

bool TConfigurationEditor::ConfirmClose() {
    if (modified) {
        const auto answer = QMessageBox::question(this, "Configuration changed", "Save configuration changes?",
                                                  QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) SaveAs();
        else modified = false;
    }
    if (!needsReboot) return true;
    // No is a way out: the machine keeps running as it was built.
    const auto answer = QMessageBox::question(this, "Configuration changed",
                                              "To apply the configuration changes the MSX needs a reboot.\nReboot Now?\n\n"
                                              "No leaves the changes unapplied until the next start.",
                                              QMessageBox::Yes | QMessageBox::No);
    needsReboot = false;
    if (answer != QMessageBox::Yes) return true;
    if (currentMachine) {
        if (std::exchange(frequencyChanged, false)) {
            currentMachine->SetVideoFrequency(TVideoFrequencySettings(programFolder).Read(configuration->fileName));
        }
        currentMachine->Reset(2);
        currentMachine->ApplyPreferences(true);
        ShowMachineProblems(this);
    }
    return true;
}

void TConfigurationEditor::btnCloseClick() { close(); }

bool TConfigurationEditor::FormCloseQuery() { return ConfirmClose(); }

void TConfigurationEditor::reject() {
    if (FormCloseQuery()) QDialog::reject();
}

void TConfigurationEditor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TConfigurationEditor::FormShow() { UpdateControls(); }
