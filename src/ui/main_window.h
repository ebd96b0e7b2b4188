#pragma once

#include <QMainWindow>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "machine/frame_pacer.h"
#include "machine/host_services.h"
#include "machine/pc_msx.h"
#include "settings/configuration.h"
#include "settings/preferences.h"
#include "sound/sound_buffers.h"
#include "ui/start_options.h"

class QAction;
class QFrame;
class QMenu;
class QPlainTextEdit;
class TConfigurationEditor;
class TPCKeyboardForm;
class TPreferencesEditor;
class TResetMSXForm;
class TDebuggerForm;
class TMemoryViewForm;

// The one machine of the process; null before the main window has built it.
extern TPCMSX* currentMachine;

// A message box with the text, the caption and an OK button.
void ShowError(const std::string& message, const std::string& caption);

// The application's window: the emulated screen, the status log and the menus
// that run, stop and reset the machine. It builds the machine when it is first
// shown and owns it and its settings for the whole run; the host services are
// given to it before then, and outlive it.
class TMainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainWindow(const TStartOptions& options);
    ~TMainWindow() override;

    // The host services, given once before the window is first shown.
    void SetServices(const TDesktopServices& services);

    // Appends a line to the status log.
    void AddStatusMessage(const QString& text);
    // Messages are processed before every step while a debug window is shown.
    void RefreshStepPumping();
    // Silences the machine while the host may hold the thread in a modal loop.
    void PauseSound();

    void menuConfigurationClick();
    void menuPreferencesClick();
    void menuExitClick();
    void menuCassetteControlsClick();
    void menuSize1_1Click();
    void menuSize1_2Click();
    void menuPauseClick();
    void menuResetClick();
    void menuFullSpeedClick();
    void menuDebugZ80Click();
    void menuDebugMemoryClick();
    void menuDebugVideoClick();
    void menuDebuggerClick();
    void menuMemoryViewClick();

    // The picture is the screen area less its one-pixel frame: 256 x 212 at 1:1.
    static constexpr QSize screenAreaSize1_1{258, 214};
    static constexpr QSize screenAreaSize1_2{514, 426};
    static constexpr int memoHeight = 64;

    QFrame* screenBevel;
    QPlainTextEdit* Memo;
    QMenu* menuFile;
    QMenu* menuView;
    QMenu* menuEmulator;
    QMenu* menuDebug;
    QMenu* menuHelp;
    QAction* menuConfiguration;
    QAction* menuPreferences;
    QAction* menuExit;
    QAction* menuCassetteControls;
    QAction* menuSize1_1;
    QAction* menuSize1_2;
    QAction* menuPause;
    QAction* menuReset;
    QAction* menuFullSpeed;
    QAction* menuDebugZ80;
    QAction* menuDebugMemory;
    QAction* menuDebugVideo;
    QAction* menuDebugger;
    QAction* menuMemoryView;
    QAction* menuAbout;
    TPCKeyboardForm* keyboardInfoForm;
    TResetMSXForm* resetForm;
    // Made when first asked for; null before.
    TDebuggerForm* debuggerForm = nullptr;
    TMemoryViewForm* memoryViewForm = nullptr;
    // Created when the window is first shown; null before.
    TConfigurationEditor* configurationEditor = nullptr;
    TPreferencesEditor* preferencesEditor = nullptr;

    TConfiguration configuration;
    TPreferences preferences;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void FormShow();
    void StartUp();
    void InsertStartCartridge();
    void FormActivate();
    void FormDeactivate();
    void SetScreenAreaSize(QSize size);
    void EnableMachineMenus(bool enabled);

    TStartOptions options;
    bool shown = false;
    std::optional<TDesktopServices> services;
    TNoSoundBuffers silence;
    TSoundOutput* soundOutput = nullptr;
    TDisplayOutput* displayOutput = nullptr;
    THostSteadyClock steadyClock;
    TFramePacer pacer{steadyClock};
    std::unique_ptr<TPCMSX> machine;
};
