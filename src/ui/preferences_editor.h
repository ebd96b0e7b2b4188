#pragma once

#include <QDialog>
#include <filesystem>

#include "settings/preferences.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class TJoystickService;
class TPrinterPorts;

// The "Preferences" window. Every control writes its field of the preferences at
// once; closing the window saves quib.cfg, guards an existing tape image against
// a new length or accuracy, and reboots the machine or applies the preferences.
class TPreferencesEditor : public QDialog {
    Q_OBJECT

public:
    // quib.cfg is saved in programFolder, whose Configurations folder the
    // configuration dialog starts in. The host's joysticks and printer ports are
    // listed once, here.
    TPreferencesEditor(const std::filesystem::path& programFolder, TJoystickService& joysticks,
                       TPrinterPorts& printerPorts, QWidget* parent = nullptr);

    // Called once; the preferences are not owned.
    void SetPreferences(TPreferences* edited);

    // Saves, checks the cassette and reboots or applies; true when the window may close.
    bool ApplyOnClose();
    // False when the user keeps a tape image whose length or accuracy was changed.
    bool CheckCassetteSettings();
    void RefreshControls();

    void btnCloseClick();
    void btnConfigClick();
    void btnCasFileClick();
    void editCasFileChange();
    void comboCasLengthChange();
    void comboCasAccuracyChange();
    // Shared by the 14 cartridge rows.
    void btnSlot1FileClick(int row);
    void btnSlot1ClearClick(int row);
    // Keeps the kind chosen for the row's image in quib.ini.
    void comboSlot1KindChange(int row);
    void cbPSGDisabledClick();
    void cbSCCDisabledClick();
    void barPSGVolumeChange();
    void barSCCVolumeChange();
    void radioJoystick1Click();
    void radioJoystick2Click();
    void comboJoystickPort1Change();
    void comboJoystickPort2Change();
    void radioPrinterSelectionClick();
    void comboPrinterPortChange();
    void comboPrinterChange();
    void editPrinterFileChange();
    void btnPrinterFileClick();

    static constexpr int rowCount = TPreferences::cartridgeEntryCount;

    QTabWidget* pages;
    QLineEdit* editConfiguration;
    QPushButton* btnConfig;
    QLineEdit* editCasFile;
    QPushButton* btnCasFile;
    QComboBox* comboCasLength;
    QComboBox* comboCasAccuracy;
    QLabel* labelSlot[rowCount];
    QLineEdit* editSlot[rowCount];
    QPushButton* btnSlotClear[rowCount];
    QPushButton* btnSlotFile[rowCount];
    // "Automatic: KIND" (what the file name or the image decides), then the kinds by hand.
    QComboBox* comboSlotKind[rowCount];
    QCheckBox* cbPSGDisabled;
    QSlider* barPSGVolume;
    QCheckBox* cbSCCDisabled;
    QSlider* barSCCVolume;
    QButtonGroup* radioJoystick1;
    QComboBox* comboJoystickPort1;
    QButtonGroup* radioJoystick2;
    QComboBox* comboJoystickPort2;
    QButtonGroup* radioPrinterSelection;
    QComboBox* comboPrinterPort;
    QLineEdit* editPrinterFile;
    QPushButton* btnPrinterFile;
    QComboBox* comboPrinter;
    QPushButton* btnClose;

    bool cartridgesChanged = false;
    bool configurationChanged = false;

protected:
    void showEvent(QShowEvent* event) override;
    // Escape and the close box come here too: the window closes only when allowed.
    void reject() override;

private:
    QWidget* CreateConfigurationTab();
    QWidget* CreateCassetteTab();
    QWidget* CreateCartridgesTab();
    QWidget* CreateAudioTab();
    QWidget* CreateJoysticksTab();
    QWidget* CreatePrinterTab();
    void FormShow();
    void RefreshSlotKind(int row);
    bool FormCloseQuery();

    std::filesystem::path programFolder;
    TPreferences* preferences = nullptr;
};
