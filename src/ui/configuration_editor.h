#pragma once

#include <QDialog>
#include <filesystem>

#include "settings/configuration.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

// The window in which the user edits the one configuration the machine was built
// from. Edits change it at once; the machine takes them over when it is rebooted,
// which the window offers when it closes. Hidden, not destroyed, when closed.
class TConfigurationEditor : public QDialog {
    Q_OBJECT

public:
    // programFolder holds the Configurations folder the dialogs start in.
    TConfigurationEditor(const std::filesystem::path& programFolder, QWidget* parent = nullptr);

    // Called once; the configuration is not owned.
    void SetConfiguration(TConfiguration& edited);

    // Offers to save and to reboot; true when the window may close.
    bool ConfirmClose();

    void listMSXTypeChange();
    void editDescriptionChange();
    void listCPUChange();
    void listVDPChange();
    void listVRAMChange();
    void listFrequencyChange();
    void listPrimarySecondaryChange();
    void spinPrimaryClick();
    void spinSecondaryClick();
    void cbIsExpandedClick();
    void listMapperChange();
    void listPageTypeChange(int page);
    void editPageFileChange(int page);
    void btnPageFileClick(int page);
    void btnLoadClick();
    void btnSaveClick();
    void btnCloseClick();

    static constexpr int primaryView = 0;
    static constexpr int secondaryView = 1;

    QTabWidget* pages;
    QComboBox* listMSXType;
    QLineEdit* editDescription;
    QComboBox* listCPU;
    QComboBox* listPrimarySecondary;
    // The spin boxes' own number fields are editPrimary and editSecondary.
    QSpinBox* spinPrimary;
    QSpinBox* spinSecondary;
    QLineEdit* editPrimary;
    QLineEdit* editSecondary;
    QCheckBox* cbIsExpanded;
    QComboBox* listPageType[4];
    QLineEdit* editPageFile[4];
    QPushButton* btnPageFile[4];
    QLabel* labelMapper;
    QComboBox* listMapper;
    QComboBox* listVDP;
    QComboBox* listVRAM;
    // Kept in quib.ini per configuration file, as the .qcf has no field for it.
    QComboBox* listFrequency;
    QPushButton* btnNew;
    QPushButton* btnLoad;
    QPushButton* btnSave;
    QPushButton* btnClose;

    bool modified = false;
    bool needsReboot = false;
    bool frequencyChanged = false;

protected:
    void showEvent(QShowEvent* event) override;
    // Escape and the close box come here too: the window closes only when allowed.
    void reject() override;

private:
    void FormShow();
    bool FormCloseQuery();
    void UpdateControls();
    void SaveAs();
    // The slot edited: in the Primary view always secondary slot 0, the only
    // one the machine uses of a slot that is not expanded.
    int EditedPrimary() const;
    int EditedSecondary() const;
    // Asks with OK and Cancel under the caption "Warning"; true for OK.
    bool Confirm(const QString& question);
    void SetSlotPages(std::uint8_t type);
    void Changed(bool affectsBuild);
    QString ConfigurationFolder() const;
    // False when the user keeps a different file of that name, or the copy fails (said in a box).
    bool CopyIntoConfigurations(const std::filesystem::path& source);

    std::filesystem::path programFolder;
    TConfiguration* configuration = nullptr;
};
