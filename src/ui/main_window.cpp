#include "ui/main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>
#include <array>
#include <exception>
#include <stdexcept>
#include <system_error>

#include "host/video_frequency_settings.h"
#include "host/cartridge_kind_settings.h"
#include "host/long_paths.h"
#include "settings/record.h"
#include "host/ini_settings.h"
#include "machine/machine_state.h"
#include "ui/exposure_wait.h"
#include "ui/window_placement.h"
#include "ui/window_settings.h"
#include "ui/configuration_editor.h"
#include "ui/file_dialogs.h"
#include "ui/pc_keyboard_form.h"
#include "ui/preferences_editor.h"
#include "ui/reset_msx_form.h"
#include "ui/screenshots.h"

TPCMSX* currentMachine = nullptr;

namespace {

constexpr const char* stoppedText = "Stopped - Emulator > Pause (F11) runs the machine";
// What a cartridge slot without an image is called.
constexpr const char* emptyCartridgeName = "ROM Cartridge";

const QString aboutText = QString(
    "<h3>QUIB! %1</h3>"
    "<p>An emulator of the MSX1 home computer.</p>"
    "<p>Quib is free software under the MIT licence, &copy; 2026 the Quib developers (the file LICENSE).<br>"
    "The default machine runs on C-BIOS, a free MSX BIOS, &copy; 2002-2014 the C-BIOS authors, "
    "under the 2-clause BSD licence (taken from the Debian package cbios; its notice is "
    "Configurations/cbios_copyright.txt).</p>"
    "<p><b>MSX keys</b>: GRAPH Alt, STOP F8, SELECT F7, F6-F10 Shift+F1-F5, CAPS Caps Lock, "
    "CODE has no key.</p>"
    "<p><b>Shortcuts</b>: F11 Pause, F12 Reset, F9 Full speed, Ctrl+F10 Mute, F10 Fullscreen "
    "(Esc leaves it), Print Screen or Ctrl+F9 Save Screenshot. Drop a ROM file on the window to insert it "
    "in cartridge slot 1, with Shift in slot 2.</p>").arg(QUIB_VERSION);

// The kinds of cartridge as the user knows them.
QString KindName(std::uint8_t kind) {
    switch (kind) {
    case TROMCartridge::plainPage0Kind: return "ROM at 0000h";
    case TROMCartridge::plainPage1Kind: return "ROM at 4000h";
    case TROMCartridge::plainPage2Kind: return "ROM at 8000h";
    case TROMCartridge::konamiKind: return "Konami";
    case TROMCartridge::konamiSCCKind: return "Konami SCC";
    case TROMCartridge::ascii8KKind: return "ASCII 8K";
    case TROMCartridge::ascii16KKind: return "ASCII 16K";
    default: return "unknown";
    }
}

// The first local file of a drag, empty when it carries none.
QString DraggedFile(const QMimeData* data) {
    if (!data) return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) return url.toLocalFile();
    }
    return {};
}

}  // namespace

void ShowError(const std::string& message, const std::string& caption) {
    QMessageBox::warning(QApplication::activeWindow(), QString::fromStdString(caption),
                         QString::fromStdString(message), QMessageBox::Ok);
}

void ShowMachineProblems(QWidget* parent) {
    if (!currentMachine) return;
    QStringList lines;
    for (const std::string& problem : currentMachine->TakeProblems()) lines << QString::fromStdString(problem);
    if (!lines.isEmpty()) QMessageBox::warning(parent, "Warning", lines.join("\n"), QMessageBox::Ok);
}

TMainWindow::TMainWindow(const TStartOptions& startOptions) : options(startOptions) {
    setWindowTitle("QUIB!");

    auto* client = new QWidget(this);
    screenBevel = new QFrame(client);
    screenBevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    screenBevel->setLineWidth(1);
    screenBevel->setMinimumSize(1 + 2, 1 + 2);
    // A log the user can read, scroll and copy from; a click into it takes the
    // keyboard from the screen, which releases every MSX key.
    Memo = new QPlainTextEdit(client);
    Memo->setReadOnly(true);
    Memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Memo->setFocusPolicy(Qt::ClickFocus);
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo->setFixedHeight(memoHeight);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(screenBevel, 1);
    layout->addWidget(Memo);
    setCentralWidget(client);

    stoppedNotice = new QLabel(stoppedText, screenBevel);
    stoppedNotice->setAlignment(Qt::AlignCenter);
    stoppedNotice->setWordWrap(true);
    stoppedNotice->setAttribute(Qt::WA_TransparentForMouseEvents);
    stoppedNotice->setStyleSheet("color: white; background-color: rgba(0, 0, 0, 170); padding: 6px;");
    stoppedNotice->hide();
    auto* noticeLayout = new QVBoxLayout(screenBevel);
    noticeLayout->addWidget(stoppedNotice, 0, Qt::AlignCenter);

    statusState = new QLabel;
    statusSpeed = new QLabel;
    statusKind = new QLabel;
    statusFrequency = new QLabel;
    statusBar()->addWidget(statusState);
    statusBar()->addWidget(statusSpeed);
    statusBar()->addPermanentWidget(statusKind);
    statusBar()->addPermanentWidget(statusFrequency);
    auto* speedTimer = new QTimer(this);
    connect(speedTimer, &QTimer::timeout, this, &TMainWindow::MeasureSpeed);
    speedTimer->start(1000);
    setAcceptDrops(true);

    CreateMenus();
    // The initial size is a little smaller than 1:1; showing the window sets 1:1.
    SetScreenAreaSize(screenAreaSize1_1 - QSize(7, 5));

    keyboardInfoForm = new TPCKeyboardForm(this);
    resetForm = new TResetMSXForm(this);
}

TMainWindow::~TMainWindow() {
    if (machine) machine->Teardown();
    currentMachine = nullptr;
    machine.reset();
}

void TMainWindow::SetServices(const TDesktopServices& desktopServices) { services.emplace(desktopServices); }

void TMainWindow::CreateMenus() {
    const auto add = [this](QMenu* menu, const char* caption, void (TMainWindow::*handler)()) {
        QAction* action = menu->addAction(caption);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    menuFile = menuBar()->addMenu("&File");
    menuConfiguration = add(menuFile, "&Configuration", &TMainWindow::menuConfigurationClick);
    menuPreferences = add(menuFile, "&Preferences", &TMainWindow::menuPreferencesClick);
    menuFile->addSeparator();
    menuInsertCartridge1 = add(menuFile, "Insert Cartridge 1...", &TMainWindow::menuInsertCartridge1Click);
    menuInsertCartridge2 = add(menuFile, "Insert Cartridge 2...", &TMainWindow::menuInsertCartridge2Click);
    menuEjectCartridge1 = add(menuFile, "Eject Cartridge 1", &TMainWindow::menuEjectCartridge1Click);
    menuEjectCartridge2 = add(menuFile, "Eject Cartridge 2", &TMainWindow::menuEjectCartridge2Click);
    menuRecentCartridges = menuFile->addMenu("Recent Cartridges");
    menuFile->addSeparator();
    menuSaveState = add(menuFile, "Save State...", &TMainWindow::menuSaveStateClick);
    menuLoadState = add(menuFile, "Load State...", &TMainWindow::menuLoadStateClick);
    // F6 is the one function key neither the MSX nor another menu uses.
    menuQuickSave = add(menuFile, "Quick Save", &TMainWindow::menuQuickSaveClick);
    menuQuickSave->setShortcut(Qt::Key_F6);
    menuQuickLoad = add(menuFile, "Quick Load", &TMainWindow::menuQuickLoadClick);
    menuQuickLoad->setShortcut(Qt::SHIFT | Qt::Key_F6);
    menuFile->addSeparator();
    menuSaveScreenshot = add(menuFile, "Save Screenshot...", &TMainWindow::menuSaveScreenshotClick);
    // Desktops often take Print Screen for themselves: Ctrl+F9 works everywhere.
    menuSaveScreenshot->setShortcuts({Qt::Key_Print, Qt::CTRL | Qt::Key_F9});
    menuFile->addSeparator();
    menuExit = add(menuFile, "E&xit", &TMainWindow::menuExitClick);

    menuView = menuBar()->addMenu("&View");
    menuCassetteControls = add(menuView, "Cassette Controls", &TMainWindow::menuCassetteControlsClick);
    QMenu* menuSize = menuView->addMenu("&Size");
    menuSize1_1 = add(menuSize, "1:&1", &TMainWindow::menuSize1_1Click);
    menuSize1_2 = add(menuSize, "1:&2", &TMainWindow::menuSize1_2Click);
    menuSize1_3 = add(menuSize, "1:&3", &TMainWindow::menuSize1_3Click);
    menuSize1_4 = add(menuSize, "1:&4", &TMainWindow::menuSize1_4Click);
    // Radio items: the mark shows the size last chosen.
    auto* sizes = new QActionGroup(this);
    for (QAction* size : {menuSize1_1, menuSize1_2, menuSize1_3, menuSize1_4}) {
        size->setCheckable(true);
        sizes->addAction(size);
    }
    menuSize1_1->setChecked(true);
    menuFullscreen = add(menuView, "Fullscreen", &TMainWindow::menuFullscreenClick);
    menuFullscreen->setShortcut(Qt::Key_F10);
    menuFullscreen->setCheckable(true);
    // Escape is the MSX's own key except in fullscreen, where it leaves.
    menuLeaveFullscreen = new QAction("Leave fullscreen", this);
    menuLeaveFullscreen->setShortcut(Qt::Key_Escape);
    menuLeaveFullscreen->setEnabled(false);
    connect(menuLeaveFullscreen, &QAction::triggered, menuFullscreen, &QAction::trigger);

    menuEmulator = menuBar()->addMenu("&Emulator");
    menuPause = add(menuEmulator, "&Pause", &TMainWindow::menuPauseClick);
    menuPause->setShortcut(Qt::Key_F11);
    menuPause->setCheckable(true);
    menuPause->setChecked(true);
    menuReset = add(menuEmulator, "&Reset", &TMainWindow::menuResetClick);
    menuReset->setShortcut(Qt::Key_F12);
    menuFullSpeed = add(menuEmulator, "Full speed", &TMainWindow::menuFullSpeedClick);
    menuFullSpeed->setCheckable(true);
    menuFullSpeed->setShortcut(Qt::Key_F9);
    menuEmulator->addSeparator();
    menuMute = add(menuEmulator, "Mute", &TMainWindow::menuMuteClick);
    menuMute->setShortcut(Qt::CTRL | Qt::Key_F10);
    menuMute->setCheckable(true);
    menuPauseWhenInactive = add(menuEmulator, "Pause when inactive", &TMainWindow::menuPauseWhenInactiveClick);
    menuPauseWhenInactive->setCheckable(true);
    TIniSettings settings(options.folder);
    menuMute->setChecked(settings.value("Sound/Muted", false).toBool());
    menuPauseWhenInactive->setChecked(settings.value("Emulator/PauseWhenInactive", false).toBool());
    recentCartridges.Load(settings);

    menuDebug = menuBar()->addMenu("&Debug");
    menuDebugZ80 = add(menuDebug, "&Z80", &TMainWindow::menuDebugZ80Click);
    menuDebugMemory = add(menuDebug, "&Memory", &TMainWindow::menuDebugMemoryClick);
    menuDebugVideo = add(menuDebug, "&Video", &TMainWindow::menuDebugVideoClick);
    menuDebug->addSeparator();
    menuDebugger = add(menuDebug, "&Debugger", &TMainWindow::menuDebuggerClick);
    menuDebugger->setShortcut(Qt::CTRL | Qt::Key_D);
    menuMemoryView = add(menuDebug, "Memory V&iew", &TMainWindow::menuMemoryViewClick);
    menuVRAMView = add(menuDebug, "V&RAM View", &TMainWindow::menuVRAMViewClick);
    menuProfiler = add(menuDebug, "&Profiler", &TMainWindow::menuProfilerClick);

    menuHelp = menuBar()->addMenu("&Help");
    menuAbout = add(menuHelp, "&About", &TMainWindow::menuAboutClick);

    // The window's own keys work with the menu bar hidden too (fullscreen).
    addActions({menuSaveScreenshot, menuFullscreen, menuLeaveFullscreen, menuPause, menuReset, menuFullSpeed, menuMute});

    // While a menu is open the emulation may stand still: the run loop resumes
    // the sound after its next batch.
    for (QMenu* menu : {menuFile, menuView, menuEmulator, menuDebug, menuHelp}) {
        connect(menu, &QMenu::aboutToShow, this, &TMainWindow::PauseSound);
    }
}

void TMainWindow::SetScreenAreaSize(QSize size) {
    resize(size.width(),
           menuBar()->sizeHint().height() + size.height() + memoHeight + statusBar()->sizeHint().height());
}

void TMainWindow::AddStatusMessage(const QString& text) {
    // The log starts with one empty line; each message is a new line after it.
    QTextCursor end(Memo->document());
    end.movePosition(QTextCursor::End);
    end.insertText("\n" + text);
    Memo->verticalScrollBar()->setValue(Memo->verticalScrollBar()->maximum());
}

void TMainWindow::RefreshStepPumping() {
    if (!currentMachine || !currentMachine->GetZ80()) return;
    TPCZ80& processor = *currentMachine->GetPCZ80();
    processor.pumpEveryStep = processor.windowShown || currentMachine->GetPCMemorySelector()->windowShown ||
                              currentMachine->GetPCV9918()->windowShown;
}

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown) return;
    shown = true;
    FormShow();
}

void TMainWindow::FormShow() {
    try {
        StartUp();
    } catch (const std::exception& error) {
        // The default error report; the rest of start-up is skipped.
        AddStatusMessage(QString("Start-up failed: ") + error.what());
        QMessageBox::critical(this, "QUIB!", error.what(), QMessageBox::Ok);
    }
    EnableMachineMenus(machine != nullptr);
    RefreshRecentCartridges();
    RefreshState();
    // The box waits until the window is on the screen, and the machine runs after it.
    TExposureWait::Then(*this, [this] {
        if (!startReport.empty()) services->userMessages.ShowMessage(startReport, "Warning");
        if (machine && options.run) menuPauseClick();
    });
}

void TMainWindow::StartUp() {
    if (!services) throw std::logic_error("The main window was shown without its host services.");
    AddStatusMessage("-- Initializing DirectSound --");
    try {
        soundOutput = &services->openSound();
    } catch (const std::exception& error) {
        // No sound device is no reason not to run: the machine plays silently.
        AddStatusMessage(QString("Warning: ") + error.what() + " The emulator runs without sound.");
    }

    AddStatusMessage("-- Initializing DirectDraw --");
    displayOutput = &services->openDisplay();
    speedMeter.SetOutput(displayOutput);
    // The view size and place the last session was left with, where the screens still show it.
    const TWindowSettings kept(options.folder);
    SetScreenAreaSize(ScreenAreaSize(kept.Scale()));
    std::array{menuSize1_1, menuSize1_2, menuSize1_3, menuSize1_4}[kept.Scale() - 1]->setChecked(true);
    const std::optional<QPoint> place = kept.Place();
    if (place && TWindowPlacement::IsReachable(QRect(*place, frameGeometry().size()))) move(*place);
    // Smaller than 1:1 the picture would lose lines.
    screenBevel->setMinimumSize(screenAreaSize1_1);
    ApplyMute();

    // The screen area has the keyboard: its keys are the MSX's. A click on it
    // gives it the focus back.
    screenBevel->setFocus(Qt::OtherFocusReason);

    // The editors edit the settings in place; the preferences editor lists the
    // host's joysticks and printer ports, so it comes after them.
    configurationEditor = new TConfigurationEditor(options.folder, this);
    configurationEditor->SetConfiguration(configuration);
    preferencesEditor =
        new TPreferencesEditor(options.folder, services->joystickService, services->printerPorts, this);
    const std::filesystem::path preferencesFile = options.folder / TPreferences::preferencesFileName;
    if (!SetAsideIfDamaged(preferencesFile, TPreferences::FindDamage(preferencesFile))) preferences.Load(preferencesFile);
    TLongPaths::Restore(preferences, options.folder);
    RestoreCartridgePaths();
    preferencesEditor->SetPreferences(&preferences);
    const std::filesystem::path configurationFolder = options.folder / "Configurations";
    const std::filesystem::path configurationFile = DefaultConfigurationFile(configurationFolder);
    std::error_code error;
    if (!std::filesystem::is_regular_file(configurationFile, error)) {
        AddStatusMessage(QString::fromStdString("The configuration " + configurationFile.string() +
                                                " does not exist: every page of the machine is empty."));
    } else if (!SetAsideIfDamaged(configurationFile, TConfiguration::FindDamage(configurationFile))) {
        configuration.Load(configurationFile);
    }

    const THostServices machineServices{services->messagePump,     services->userMessages, &speedMeter,
                                        services->keyState,        services->joystickService,
                                        services->printerPorts,    nullptr,
                                        soundOutput,               services->deviceWindows};
    machine = std::make_unique<TPCMSX>(machineServices);
    machine->preferences = &preferences;
    machine->pacer = &pacer;
    machine->statusLog = [this](const std::string& line) { AddStatusMessage(QString::fromStdString(line)); };
    machine->chosenCartridgeKind = [folder = options.folder](TCartridgeSlot slot, const std::filesystem::path& image) {
        return TCartridgeKindSettings(folder).Read(slot, image);
    };
    machine->SetROMFolder(configurationFolder);
    machine->SetVideoFrequency(options.frequency != TVideoFrequency::automatic
                                   ? options.frequency
                                   : TVideoFrequencySettings(options.folder).Read(configurationFile));
    currentMachine = machine.get();
    machine->Build(configuration);
    machine->ApplyPreferences(true);
    if (!options.cartridge.empty()) InsertStartCartridge();
    // What could not be used is said once, in the log: the machine runs with the rest.
    for (const std::string& problem : machine->TakeProblems()) AddStatusMessage(QString::fromStdString(problem));
}

std::filesystem::path TMainWindow::DefaultConfigurationFile(const std::filesystem::path& folder) const {
    // The default machine was once written as "MSX1", without the extension:
    // either name finds whichever file there is.
    const std::filesystem::path named = folder / preferences.defaultConfiguration;
    std::filesystem::path other = named;
    if (named.extension() == ".qcf") other.replace_extension();
    else other += ".qcf";
    std::error_code error;
    return std::filesystem::exists(named, error) || !std::filesystem::exists(other, error) ? named : other;
}

bool TMainWindow::SetAsideIfDamaged(const std::filesystem::path& file, const std::string& damage) {
    if (damage.empty()) return false;
    const std::filesystem::path aside = KeepDamagedFile(file);
    const std::string kept = aside.empty() ? "it could not be moved aside" : "it is kept as " + aside.string();
    AddStatusMessage(QString::fromStdString("The file " + file.string() + " is damaged (" + damage + "): " + kept +
                                            ", and defaults are used in its place."));
    return true;
}

void TMainWindow::InsertStartCartridge() {
    if (preferences.cartridgeSlotCount == 0) {
        ReportStartProblem("The configuration has no cartridge slot for " + options.cartridge.string() + ".");
        return;
    }
    // Into the machine only: the preferences keep their own cartridge. One that
    // cannot be used leaves the slot empty for this session rather than booting
    // the saved one in its place.
    const TCartridgeSlot slot = preferences.cartridgeSlots[0];
    const std::string inserted = machine->InsertCartridge(slot.primary, slot.secondary == 255 ? 0 : slot.secondary,
                                                          options.cartridge, options.cartridgeKind);
    constexpr std::string_view refused = "not inserted: ";
    if (inserted.starts_with(refused)) {
        ReportStartProblem("The cartridge image " + options.cartridge.string() + " cannot be used: " +
                           inserted.substr(refused.size()) + ".");
    }
}

void TMainWindow::ReportStartProblem(const std::string& problem) {
    startReport = problem;
    AddStatusMessage(QString::fromStdString("Warning: " + problem));
}

void TMainWindow::EnableMachineMenus(bool enabled) {
    for (QAction* action : {menuConfiguration, menuPreferences, menuCassetteControls, menuPause, menuReset,
                            menuFullSpeed, menuDebugZ80, menuDebugMemory, menuDebugVideo, menuInsertCartridge1,
                            menuInsertCartridge2, menuEjectCartridge1, menuEjectCartridge2, menuSaveScreenshot,
                            menuSaveState, menuLoadState, menuQuickSave, menuQuickLoad,
                            menuRecentCartridges->menuAction(), menuDebugger, menuMemoryView, menuVRAMView, menuProfiler}) {
        action->setEnabled(enabled);
    }
}

void TMainWindow::PauseSound() {
    if (currentMachine) currentMachine->PauseSound();
}

void TMainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) return;
    if (isActiveWindow()) FormActivate();
    else FormDeactivate();
}

void TMainWindow::FormActivate() {
    if (stoppedWhenInactive) {
        stoppedWhenInactive = false;
        // Run from the event loop rather than inside this event.
        if (currentMachine && currentMachine->IsStopped()) QTimer::singleShot(0, this, &TMainWindow::menuPauseClick);
        return;
    }
    // A stopped machine stays silent.
    if (currentMachine && !currentMachine->IsStopped()) currentMachine->ResumeSound();
}

void TMainWindow::FormDeactivate() {
    PauseSound();
    // Only for another application: our own dialogs and tool windows leave the machine running.
    if (!menuPauseWhenInactive->isChecked() || QApplication::activeWindow() != nullptr) return;
    if (!currentMachine || currentMachine->IsStopped()) return;
    stoppedWhenInactive = true;
    menuPauseClick();
}

void TMainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    PauseSound();
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (currentMachine) currentMachine->Stop();
    if (shown && !menuFullscreen->isChecked()) TWindowSettings(options.folder).SetPlace(pos());
    event->accept();
}

void TMainWindow::menuConfigurationClick() {
    if (!configurationEditor) return;
    // A modal editor holds the thread: the machine stands still meanwhile.
    PauseSound();
    configurationEditor->exec();
}

void TMainWindow::menuPreferencesClick() {
    if (!preferencesEditor) return;
    PauseSound();
    preferencesEditor->exec();
}

void TMainWindow::menuExitClick() {
    if (currentMachine) currentMachine->Stop();
    close();
}

void TMainWindow::menuCassetteControlsClick() {
    if (currentMachine && currentMachine->GetCassette()) currentMachine->GetPCCassette()->ShowWindow();
}

void TMainWindow::menuSize1_1Click() { SetScale(1); }

void TMainWindow::menuSize1_2Click() { SetScale(2); }

void TMainWindow::menuSize1_3Click() { SetScale(3); }

void TMainWindow::menuSize1_4Click() { SetScale(4); }

void TMainWindow::SetScale(int scale) {
    if (menuFullscreen->isChecked()) menuFullscreen->trigger();
    SetScreenAreaSize(ScreenAreaSize(scale));
    TWindowSettings(options.folder).SetScale(scale);
}

void TMainWindow::menuFullscreenClick() {
    const bool on = menuFullscreen->isChecked();
    PauseSound();
    menuLeaveFullscreen->setEnabled(on);
    menuBar()->setVisible(!on);
    Memo->setVisible(!on);
    statusBar()->setVisible(!on);
    screenBevel->setFrameStyle(on ? QFrame::NoFrame : QFrame::Panel | QFrame::Sunken);
    if (on) {
        windowedGeometry = geometry();
        showFullScreen();
    } else {
        showNormal();
        if (windowedGeometry.isValid()) setGeometry(windowedGeometry);
    }
    screenBevel->setFocus(Qt::OtherFocusReason);
}

void TMainWindow::menuPauseClick() {
    if (!currentMachine) return;
    const bool running = !currentMachine->IsStopped();
    menuPause->setChecked(running);
    if (running) {
        AddStatusMessage("Stopping Z80...");
        currentMachine->Stop();
        RefreshState();
        return;
    }
    AddStatusMessage("Starting Z80...");
    speedMeter.Restart();
    RefreshState();
    DebugWindowsRunning();
    currentMachine->Run();
    // However the loop ended, the mark shows whether the machine now stands.
    if (!currentMachine) return;
    menuPause->setChecked(currentMachine->IsStopped());
    RefreshState();
    const TDebugger& debugger = currentMachine->GetDebugger();
    if (debugger.GetStopReason().kind != TStopReason::Kind::None) {
        AddStatusMessage(QString::fromStdString("Stopped at " + debugger.Describe(debugger.GetStopReason())));
    }
    DebugWindowsStopped();
}

void TMainWindow::menuResetClick() {
    if (!currentMachine) return;
    PauseSound();
    switch (resetForm->exec()) {
    case TResetMSXForm::softOutcome: currentMachine->Reset(0); break;
    case TResetMSXForm::hardOutcome: currentMachine->Reset(1); break;
    default: break;
    }
}

void TMainWindow::menuFullSpeedClick() {
    pacer.SetFullSpeed(menuFullSpeed->isChecked());
    // Flat out the sound would race; it is silent until the pace is real again.
    ApplyMute();
    RefreshState();
}

void TMainWindow::menuMuteClick() {
    TIniSettings(options.folder).setValue("Sound/Muted", menuMute->isChecked());
    ApplyMute();
}

void TMainWindow::ApplyMute() {
    if (soundOutput) soundOutput->SetMuted(menuMute->isChecked() || pacer.IsFullSpeed());
}

void TMainWindow::menuPauseWhenInactiveClick() {
    TIniSettings(options.folder).setValue("Emulator/PauseWhenInactive", menuPauseWhenInactive->isChecked());
}

void TMainWindow::menuAboutClick() {
    PauseSound();
    QMessageBox::about(this, "About QUIB!", aboutText);
}

void TMainWindow::menuInsertCartridge1Click() { ChooseCartridge(0); }

void TMainWindow::menuInsertCartridge2Click() { ChooseCartridge(1); }

void TMainWindow::menuEjectCartridge1Click() { InsertCartridgeFile(0, {}); }

void TMainWindow::menuEjectCartridge2Click() { InsertCartridgeFile(1, {}); }

void TMainWindow::ChooseCartridge(int entry) {
    PauseSound();
    const QString current = entry < preferences.cartridgeSlotCount
                                ? QString::fromStdString(preferences.cartridgeFiles[entry])
                                : QString();
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const QString file = ChooseOpenFile(this, "MSX ROM Files (*.rom);;All files (*)", folder);
    if (!file.isEmpty()) InsertCartridgeFile(entry, file);
}

bool TMainWindow::InsertCartridgeFile(int entry, const QString& file) {
    if (!machine) return false;
    const std::string slotName = "cartridge slot " + std::to_string(entry + 1);
    if (entry >= preferences.cartridgeSlotCount) {
        services->userMessages.ShowMessage("The configuration has no " + slotName + ".", "Warning");
        return false;
    }
    const std::filesystem::path path = file.toStdString();
    TROMAnalysis analysis;
    std::string problem;
    if (!path.empty() && TCartridgeAnalysis::AnalyseROM(path, analysis, TCartridgeKind::automatic, &problem) != 0) {
        services->userMessages.ShowMessage("Cannot insert the cartridge image " + path.string() + ": " + problem,
                                           "Warning");
        return false;
    }
    PauseSound();
    // As if chosen in the preferences editor: saved, then the machine reset with the cartridges.
    preferences.cartridgeFiles[entry] = path.string();
    const std::filesystem::path preferencesFile = options.folder / TPreferences::preferencesFileName;
    if (!preferences.Save(preferencesFile)) {
        AddStatusMessage(QString::fromStdString("Warning: the preferences could not be saved to " +
                                                preferencesFile.string() + "."));
    }
    SaveCartridgePaths();
    machine->Reset(0);
    machine->ApplyPreferences(true);
    // The machine logs what it inserted.
    if (path.empty()) {
        AddStatusMessage(QString("Cartridge %1 ejected").arg(entry + 1));
    } else {
        recentCartridges.Add(file);
        TIniSettings settings(options.folder);
        recentCartridges.Save(settings);
        RefreshRecentCartridges();
    }
    RefreshState();
    return true;
}

void TMainWindow::RefreshRecentCartridges() {
    menuRecentCartridges->clear();
    const QStringList& files = recentCartridges.GetFiles();
    // Each goes into slot 1, with the kind its name or a choice by hand gives it there.
    TCartridgeKindSettings kinds(options.folder);
    for (int index = 0; index < files.size(); ++index) {
        const QString file = files[index];
        const std::filesystem::path image = file.toStdString();
        TCartridgeKind kind = CartridgeKindInFileName(image);
        if (kind == TCartridgeKind::automatic) kind = kinds.Read(preferences.cartridgeSlots[0], image);
        QString caption = QString("&%1 %2").arg((index + 1) % 10).arg(file);
        if (kind != TCartridgeKind::automatic) caption += QString(" (%1)").arg(CartridgeKindName(kind));
        QAction* action = menuRecentCartridges->addAction(caption);
        connect(action, &QAction::triggered, this, [this, file] { InsertCartridgeFile(0, file); });
    }
    menuRecentCartridges->menuAction()->setEnabled(machine != nullptr && !files.isEmpty());
}

void TMainWindow::SaveCartridgePaths() {
    TLongPaths::Store(preferences, options.folder);
    TIniSettings settings(options.folder);
    for (int entry = 0; entry < TPreferences::cartridgeEntryCount; ++entry) {
        settings.setValue(QString("Cartridges/entry%1").arg(entry + 1),
                          QString::fromStdString(preferences.cartridgeFiles[entry]));
    }
}

void TMainWindow::RestoreCartridgePaths() {
    TIniSettings settings(options.folder);
    for (int entry = 0; entry < TPreferences::cartridgeEntryCount; ++entry) {
        const std::string full = settings.value(QString("Cartridges/entry%1").arg(entry + 1)).toString().toStdString();
        std::string& stored = preferences.cartridgeFiles[entry];
        if (full.size() > stored.size() && !stored.empty() && full.compare(0, stored.size(), stored) == 0) stored = full;
    }
}

void TMainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (machine && !DraggedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainWindow::dropEvent(QDropEvent* event) {
    const QString file = DraggedFile(event->mimeData());
    if (!machine || file.isEmpty()) return;
    event->acceptProposedAction();
    // Shift puts it into the second slot. Inserted after the drop has ended, so
    // that a message box does not open inside the drag.
    const int entry = event->modifiers().testFlag(Qt::ShiftModifier) ? 1 : 0;
    QTimer::singleShot(0, this, [this, entry, file] { InsertCartridgeFile(entry, file); });
}

void TMainWindow::menuSaveScreenshotClick() {
    if (!currentMachine || !currentMachine->GetVDP()) return;
    const TPCV9918& vdp = *currentMachine->GetPCV9918();
    const std::filesystem::path file = TScreenshots(options.folder).Save(vdp.GetFrameBuffer(), vdp.GetPalette());
    if (file.empty()) {
        AddStatusMessage(QString::fromStdString("Warning: no screenshot could be written into " +
                                                (options.folder / TScreenshots::folderName).string() + "."));
        return;
    }
    AddStatusMessage(QString::fromStdString("Screenshot saved to " + file.string()));
}

namespace {

const char* const stateFilter = "QUIB! State file (*.qst)";
const char* const quickStateFile = "quick.qst";

}  // namespace

void TMainWindow::menuSaveStateClick() {
    if (!currentMachine) return;
    PauseSound();
    std::filesystem::path path = ChooseSaveFile(this, stateFilter, QString::fromStdString(options.folder.string()), {})
                                     .toStdString();
    if (path.empty()) return;
    if (!path.has_extension()) path += ".qst";
    SaveState(path);
}

void TMainWindow::menuLoadStateClick() {
    if (!currentMachine) return;
    PauseSound();
    const QString path = ChooseOpenFile(this, stateFilter, QString::fromStdString(options.folder.string()));
    if (!path.isEmpty()) LoadState(path.toStdString());
}

void TMainWindow::menuQuickSaveClick() { SaveState(options.folder / quickStateFile); }

void TMainWindow::menuQuickLoadClick() { LoadState(options.folder / quickStateFile); }

void TMainWindow::ReportStateFailure(const std::string& error) {
    AddStatusMessage(QString::fromStdString(error));
    services->userMessages.ShowMessage(error, "Warning");
}

void TMainWindow::SaveState(const std::filesystem::path& path) {
    if (!currentMachine) return;
    std::string error;
    if (!TMachineState::Save(*currentMachine, path, error)) {
        ReportStateFailure(error);
        return;
    }
    AddStatusMessage(QString::fromStdString("State saved to " + path.string()));
}

void TMainWindow::LoadState(const std::filesystem::path& path) {
    if (!currentMachine) return;
    std::string error;
    if (!TMachineState::Load(*currentMachine, path, error)) {
        ReportStateFailure(error);
        return;
    }
    AddStatusMessage(QString::fromStdString("State loaded from " + path.string()));
    // The restored devices come with new, hidden debug windows.
    RefreshStepPumping();
    RefreshState();
}

void TMainWindow::MeasureSpeed() {
    if (machine && !machine->IsStopped()) {
        speedText = speedMeter.Measure(static_cast<double>(TZ80::clockRate) / static_cast<double>(pacer.GetFrameCycles()));
    } else {
        speedMeter.Restart();
        speedText = "-";
    }
    RefreshState();
}

void TMainWindow::RefreshState() {
    const bool running = machine && !machine->IsStopped();
    const QString state = !machine ? "not started" : !running ? "stopped" : pacer.IsFullSpeed() ? "full speed" : "running";
    QStringList names;
    QStringList kinds;
    for (int entry = 0; machine && entry < preferences.cartridgeSlotCount; ++entry) {
        const TCartridgeSlot slot = preferences.cartridgeSlots[entry];
        if (slot.primary == 255) continue;
        const TROMCartridge* cartridge = machine->GetCartridge(slot.primary, slot.secondary == 255 ? 0 : slot.secondary);
        // An empty slot keeps the name of an empty cartridge.
        if (!cartridge || cartridge->GetName() == emptyCartridgeName) continue;
        names << QString::fromStdString(cartridge->GetName());
        kinds << QString("%1: %2").arg(entry + 1).arg(KindName(cartridge->GetCartridgeKind()));
    }
    setWindowTitle("QUIB!" + (names.isEmpty() ? QString() : " - " + names.join(" + ")) + " [" + state + "]");
    statusState->setText(state);
    statusSpeed->setText(running ? (speedText.isEmpty() ? "-" : speedText) : "-");
    statusKind->setText(kinds.isEmpty() ? "no cartridge" : kinds.join("  "));
    statusFrequency->setText(machine ? QString("%1 Hz").arg(machine->GetVideoHertz()) : QString());
    stoppedNotice->setVisible(machine && !running);
}
