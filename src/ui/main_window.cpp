#include "ui/main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>
#include <stdexcept>
#include <system_error>

#include "host/cartridge_kind_settings.h"
#include "ui/debugger_form.h"
#include "ui/memory_view_form.h"
#include "ui/configuration_editor.h"
#include "ui/pc_keyboard_form.h"
#include "ui/preferences_editor.h"
#include "ui/reset_msx_form.h"

TPCMSX* currentMachine = nullptr;

void ShowError(const std::string& message, const std::string& caption) {
    QMessageBox::warning(QApplication::activeWindow(), QString::fromStdString(caption),
                         QString::fromStdString(message), QMessageBox::Ok);
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
    menuExit = add(menuFile, "E&xit", &TMainWindow::menuExitClick);

    menuView = menuBar()->addMenu("&View");
    menuCassetteControls = add(menuView, "Cassette Controls", &TMainWindow::menuCassetteControlsClick);
    QMenu* menuSize = menuView->addMenu("&Size");
    menuSize1_1 = add(menuSize, "1:&1", &TMainWindow::menuSize1_1Click);
    menuSize1_2 = add(menuSize, "1:&2", &TMainWindow::menuSize1_2Click);
    // Radio items: the mark shows the size last chosen.
    auto* sizes = new QActionGroup(this);
    for (QAction* size : {menuSize1_1, menuSize1_2}) {
        size->setCheckable(true);
        sizes->addAction(size);
    }
    menuSize1_1->setChecked(true);

    menuEmulator = menuBar()->addMenu("&Emulator");
    menuPause = add(menuEmulator, "&Pause", &TMainWindow::menuPauseClick);
    menuPause->setShortcut(Qt::Key_F11);
    menuPause->setCheckable(true);
    menuPause->setChecked(true);
    menuReset = add(menuEmulator, "&Reset", &TMainWindow::menuResetClick);
    menuReset->setShortcut(Qt::Key_F12);
    menuFullSpeed = add(menuEmulator, "Full speed", &TMainWindow::menuFullSpeedClick);
    menuFullSpeed->setCheckable(true);

    menuDebug = menuBar()->addMenu("&Debug");
    menuDebugZ80 = add(menuDebug, "&Z80", &TMainWindow::menuDebugZ80Click);
    menuDebugMemory = add(menuDebug, "&Memory", &TMainWindow::menuDebugMemoryClick);
    menuDebugVideo = add(menuDebug, "&Video", &TMainWindow::menuDebugVideoClick);
    menuDebug->addSeparator();
    menuDebugger = add(menuDebug, "&Debugger", &TMainWindow::menuDebuggerClick);
    menuDebugger->setShortcut(Qt::CTRL | Qt::Key_D);
    menuMemoryView = add(menuDebug, "Memory V&iew", &TMainWindow::menuMemoryViewClick);

    menuHelp = menuBar()->addMenu("&Help");
    menuAbout = menuHelp->addAction("&About");

    // While a menu is open the emulation may stand still: the run loop resumes
    // the sound after its next batch.
    for (QMenu* menu : {menuFile, menuView, menuEmulator, menuDebug, menuHelp}) {
        connect(menu, &QMenu::aboutToShow, this, &TMainWindow::PauseSound);
    }
}

void TMainWindow::SetScreenAreaSize(QSize size) {
    resize(size.width(), menuBar()->sizeHint().height() + size.height() + memoHeight);
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
    if (machine && options.run) QTimer::singleShot(0, this, &TMainWindow::menuPauseClick);
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
    TSoundBuffers& soundBuffers = soundOutput ? soundOutput->GetBuffers() : silence;

    AddStatusMessage("-- Initializing DirectDraw --");
    displayOutput = &services->openDisplay();
    SetScreenAreaSize(screenAreaSize1_1);

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
    preferences.Load(preferencesFile);
    preferencesEditor->SetPreferences(&preferences);
    const std::filesystem::path configurationFolder = options.folder / "Configurations";
    configuration.Load(configurationFolder / preferences.defaultConfiguration);

    const THostServices machineServices{services->messagePump,     services->userMessages, displayOutput,
                                        services->keyState,        services->joystickService,
                                        services->printerPorts,    nullptr,
                                        soundBuffers,              services->deviceWindows};
    machine = std::make_unique<TPCMSX>(machineServices);
    machine->preferences = &preferences;
    machine->pacer = &pacer;
    machine->statusLog = [this](const std::string& line) { AddStatusMessage(QString::fromStdString(line)); };
    machine->chosenCartridgeKind = [folder = options.folder](TCartridgeSlot slot, const std::filesystem::path& image) {
        return TCartridgeKindSettings(folder).Read(slot, image);
    };
    machine->SetROMFolder(configurationFolder);
    currentMachine = machine.get();
    machine->Build(configuration);
    machine->ApplyPreferences(true);
    if (!options.cartridge.empty()) InsertStartCartridge();
}

void TMainWindow::InsertStartCartridge() {
    std::error_code error;
    if (!std::filesystem::is_regular_file(options.cartridge, error)) {
        services->userMessages.ShowMessage("Cannot open the cartridge image " + options.cartridge.string() + ".", "Warning");
        return;
    }
    if (preferences.cartridgeSlotCount == 0) {
        services->userMessages.ShowMessage("The configuration has no cartridge slot for " + options.cartridge.string() + ".",
                                  "Warning");
        return;
    }
    // Into the machine only: the preferences keep their own cartridge.
    const TCartridgeSlot slot = preferences.cartridgeSlots[0];
    machine->InsertCartridge(slot.primary, slot.secondary == 255 ? 0 : slot.secondary, options.cartridge,
                             options.cartridgeKind);
}

void TMainWindow::EnableMachineMenus(bool enabled) {
    for (QAction* action : {menuConfiguration, menuPreferences, menuCassetteControls, menuPause, menuReset,
                            menuFullSpeed, menuDebugZ80, menuDebugMemory, menuDebugVideo, menuDebugger, menuMemoryView}) {
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
    // A stopped machine stays silent.
    if (currentMachine && !currentMachine->IsStopped()) currentMachine->ResumeSound();
}

void TMainWindow::FormDeactivate() { PauseSound(); }

void TMainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    PauseSound();
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (currentMachine) currentMachine->Stop();
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

void TMainWindow::menuSize1_1Click() { SetScreenAreaSize(screenAreaSize1_1); }

void TMainWindow::menuSize1_2Click() { SetScreenAreaSize(screenAreaSize1_2); }

void TMainWindow::menuPauseClick() {
    if (!currentMachine) return;
    const bool running = !currentMachine->IsStopped();
    menuPause->setChecked(running);
    if (running) {
        AddStatusMessage("Stopping Z80...");
        currentMachine->Stop();
        return;
    }
    AddStatusMessage("Starting Z80...");
    if (debuggerForm) debuggerForm->MachineRunning();
    currentMachine->Run();
    // However the loop ended, the mark shows whether the machine now stands.
    if (!currentMachine) return;
    menuPause->setChecked(currentMachine->IsStopped());
    const TDebugger& debugger = currentMachine->GetDebugger();
    if (debugger.GetStopReason().kind != TStopReason::Kind::None) {
        AddStatusMessage(QString::fromStdString("Stopped at " + debugger.Describe(debugger.GetStopReason())));
    }
    if (debuggerForm) debuggerForm->MachineStopped();
    if (memoryViewForm && memoryViewForm->isVisible()) memoryViewForm->ShowMemory();
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

void TMainWindow::menuFullSpeedClick() { pacer.SetFullSpeed(menuFullSpeed->isChecked()); }

void TMainWindow::menuDebugZ80Click() {
    if (!currentMachine || !currentMachine->GetZ80()) return;
    currentMachine->GetPCZ80()->ShowDebugWindow();
    RefreshStepPumping();
}

void TMainWindow::menuDebugMemoryClick() {
    if (!currentMachine || !currentMachine->GetMemorySelector()) return;
    currentMachine->GetPCMemorySelector()->ShowDebugWindow();
    RefreshStepPumping();
}

void TMainWindow::menuDebugVideoClick() {
    if (!currentMachine || !currentMachine->GetVDP()) return;
    currentMachine->GetPCV9918()->ShowDebugWindow();
    RefreshStepPumping();
}

void TMainWindow::menuDebuggerClick() {
    if (!currentMachine) return;
    if (!debuggerForm) debuggerForm = new TDebuggerForm(*currentMachine, [this] { menuPauseClick(); }, this);
    debuggerForm->MachineStopped();
    debuggerForm->show();
    debuggerForm->raise();
}

void TMainWindow::menuMemoryViewClick() {
    if (!currentMachine) return;
    if (!memoryViewForm) memoryViewForm = new TMemoryViewForm(*currentMachine, this);
    memoryViewForm->ShowMemory();
    memoryViewForm->show();
    memoryViewForm->raise();
}
