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
#include "ui/recent_cartridges.h"
#include "ui/speed_meter.h"
#include "ui/start_options.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class TConfigurationEditor;
class TPCKeyboardForm;
class TPreferencesEditor;
class TResetMSXForm;
class TDebuggerForm;
class TMemoryViewForm;
class TVRAMViewForm;
class TProfilerForm;

// The one machine of the process; null before the main window has built it.
extern TPCMSX* currentMachine;

// A message box with the text, the caption and an OK button.
void ShowError(const std::string& message, const std::string& caption);

// What the machine's last rebuild could not use, in one "Warning" box over the
// parent; nothing when all went well.
void ShowMachineProblems(QWidget* parent);

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
    void menuVRAMViewClick();
    void menuProfilerClick();

    // Beyond the original menus.
    void menuInsertCartridge1Click();
    void menuInsertCartridge2Click();
    void menuEjectCartridge1Click();
    void menuEjectCartridge2Click();
    void menuSaveScreenshotClick();
    // Save states: through file dialogs, or quick to quick.qst beside quib.cfg.
    void menuSaveStateClick();
    void menuLoadStateClick();
    void menuQuickSaveClick();
    void menuQuickLoadClick();
    void menuSize1_3Click();
    void menuSize1_4Click();
    void menuFullscreenClick();
    void menuMuteClick();
    void menuPauseWhenInactiveClick();
    void menuAboutClick();

    // Puts the image into cartridge slot entry (0 or 1) as the preferences
    // editor would: saved into quib.cfg, the machine reset and the preferences
    // applied. An empty file ejects. Answers whether the slot now holds it.
    bool InsertCartridgeFile(int entry, const QString& file);

    // The picture is the screen area less its one-pixel frame: 256 x 212 at 1:1.
    static constexpr QSize ScreenAreaSize(int scale) { return {256 * scale + 2, 212 * scale + 2}; }
    static constexpr QSize screenAreaSize1_1{258, 214};
    static constexpr QSize screenAreaSize1_2{514, 426};
    static constexpr int memoHeight = 64;
    static constexpr int recentCartridgeLimit = TRecentCartridges::limit;

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
    QAction* menuVRAMView;
    QAction* menuProfiler;
    QAction* menuAbout;
    QAction* menuSaveState;
    QAction* menuLoadState;
    QAction* menuQuickSave;
    QAction* menuQuickLoad;
    QAction* menuInsertCartridge1;
    QAction* menuInsertCartridge2;
    QAction* menuEjectCartridge1;
    QAction* menuEjectCartridge2;
    QMenu* menuRecentCartridges;
    QAction* menuSaveScreenshot;
    QAction* menuSize1_3;
    QAction* menuSize1_4;
    QAction* menuFullscreen;
    QAction* menuLeaveFullscreen;
    QAction* menuMute;
    QAction* menuPauseWhenInactive;
    // Over the screen while the machine stands, so that a black screen explains itself.
    QLabel* stoppedNotice;
    QLabel* statusState;
    QLabel* statusSpeed;
    QLabel* statusKind;
    QLabel* statusFrequency;
    TPCKeyboardForm* keyboardInfoForm;
    TResetMSXForm* resetForm;
    // Made when first asked for; null before.
    TDebuggerForm* debuggerForm = nullptr;
    TMemoryViewForm* memoryViewForm = nullptr;
    TVRAMViewForm* vramViewForm = nullptr;
    TProfilerForm* profilerForm = nullptr;
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
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateMenus();
    void FormShow();
    void StartUp();
    void InsertStartCartridge();
    // A file named on the command line that cannot be used: said in the log at once,
    // and in a "Warning" box once the window is on the screen.
    void ReportStartProblem(const std::string& problem);
    // Places the debug window of that title beside this window the first time it is shown.
    void PlaceBeside(const QString& title, int step);
    // Shows a window of the debugger's, placed beside this one the first time.
    void ShowDebugForm(QWidget& form, int step);
    // The debug windows follow the machine as it starts and stops.
    void DebugWindowsRunning();
    void DebugWindowsStopped();
    // The default configuration's file, under its name with or without ".qcf".
    std::filesystem::path DefaultConfigurationFile(const std::filesystem::path& folder) const;
    // Moves a damaged settings file aside and says so in the log; false when it is sound.
    bool SetAsideIfDamaged(const std::filesystem::path& file, const std::string& damage);
    void FormActivate();
    void FormDeactivate();
    void SetScreenAreaSize(QSize size);
    void EnableMachineMenus(bool enabled);
    // Title, status bar and the stopped notice, from the machine's state.
    void RefreshState();
    // Each logs what it did; a failure is also shown in a message box.
    void SaveState(const std::filesystem::path& path);
    void LoadState(const std::filesystem::path& path);
    // A failed save or load goes to the log and to a "Warning" box.
    void ReportStateFailure(const std::string& error);
    void RefreshRecentCartridges();
    void MeasureSpeed();
    void ApplyMute();
    void SetScale(int scale);
    // Keeps the full paths of the images in quib.ini, since quib.cfg holds 50
    // characters of each, and gives them back to the names they were cut from.
    void SaveCartridgePaths();
    void ChooseCartridge(int entry);
    void RestoreCartridgePaths();

    TStartOptions options;
    bool shown = false;
    std::string startReport;
    std::optional<TDesktopServices> services;
    TSoundOutput* soundOutput = nullptr;
    TDisplayOutput* displayOutput = nullptr;
    TSpeedMeter speedMeter;
    QString speedText;
    TRecentCartridges recentCartridges;
    // The machine was stopped because the application lost the focus.
    bool stoppedWhenInactive = false;
    QRect windowedGeometry;
    THostSteadyClock steadyClock;
    TFramePacer pacer{steadyClock};
    std::unique_ptr<TPCMSX> machine;
};
