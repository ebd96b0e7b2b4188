#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "ui/desktop_window.h"
#include "ui/modal_answers.h"
#include "ui/pc_keyboard_form.h"
#include "ui/reset_msx_form.h"
#include "peripherals/keyboard.h"
#include "video/pc_v9918.h"

namespace {

QStringList LogLines(const TMainWindow& window) { return window.Memo->toPlainText().split('\n'); }

struct MainWindowTest : ::testing::Test {
    void Start(TStartOptions options = {}) {
        if (options.folder.empty()) options.folder = MachineFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        desktop = std::make_unique<TDesktopWindow>(options);
        window = &desktop->window;
        window->show();
        QApplication::processEvents();
    }
    // Runs the machine until the stop, taken at the given moment from inside the run loop.
    void RunFor(int milliseconds, std::function<void()> inside = {}) {
        QTimer::singleShot(milliseconds, [this, inside] {
            if (inside) inside();
            window->menuPause->trigger();
        });
        window->menuPause->trigger();
    }
    std::unique_ptr<TDesktopWindow> desktop;
    TMainWindow* window = nullptr;
};

TEST_F(MainWindowTest, StartsStoppedWithItsMenusAndLog) {
    Start();
    ASSERT_NE(currentMachine, nullptr);
    EXPECT_EQ(window->windowTitle(), "QUIB!");
    EXPECT_TRUE(currentMachine->IsStopped());
    EXPECT_TRUE(window->menuPause->isChecked());
    EXPECT_EQ(LogLines(*window).mid(0, 3),
              (QStringList{"", "-- Initializing DirectSound --", "-- Initializing DirectDraw --"}));

    QStringList menus;
    for (QAction* action : window->menuBar()->actions()) menus << action->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&View", "&Emulator", "&Debug", "&Help"}));
    QStringList items;
    for (QMenu* menu : {window->menuFile, window->menuView, window->menuEmulator, window->menuDebug}) {
        for (QAction* action : menu->actions()) items << action->text() + "|" + action->shortcut().toString();
    }
    EXPECT_EQ(items, (QStringList{"&Configuration|", "&Preferences|", "|", "E&xit|", "Cassette Controls|",
                                  "&Size|", "&Pause|F11", "&Reset|F12", "Full speed|", "&Z80|", "&Memory|",
                                  "&Video|", "|", "&Debugger|Ctrl+D", "Memory V&iew|"}));
    EXPECT_FALSE(window->menuFullSpeed->isChecked());
    EXPECT_EQ(window->keyboardInfoForm->windowTitle(), "Keyboard info");
    EXPECT_FALSE(window->keyboardInfoForm->isVisible());
    EXPECT_EQ(window->resetForm->windowTitle(), "Reset MSX");
}

TEST_F(MainWindowTest, PauseRunsTheMachineUntilPausedAgainAndNests) {
    Start();
    std::uint64_t instructionsWhileRunning = 0;
    bool runningInside = false;
    RunFor(100, [&] {
        runningInside = !currentMachine->IsStopped() && !window->menuPause->isChecked();
        instructionsWhileRunning = currentMachine->GetZ80()->instructionCount;
    });
    EXPECT_TRUE(runningInside);
    EXPECT_GT(instructionsWhileRunning, 10001u);
    EXPECT_TRUE(currentMachine->IsStopped());
    EXPECT_TRUE(window->menuPause->isChecked());
    EXPECT_EQ(LogLines(*window).mid(3), (QStringList{"Starting Z80...", "Stopping Z80..."}));

    // Stop and start again within one pass of messages: a second loop runs inside the
    // first, and when it is stopped both return.
    QTimer::singleShot(50, [&] {
        window->menuPause->trigger();
        QTimer::singleShot(50, [&] { window->menuPause->trigger(); });
        window->menuPause->trigger();
    });
    window->menuPause->trigger();
    EXPECT_TRUE(currentMachine->IsStopped());
    EXPECT_TRUE(window->menuPause->isChecked());
    EXPECT_EQ(LogLines(*window).mid(5),
              (QStringList{"Starting Z80...", "Stopping Z80...", "Starting Z80...", "Stopping Z80..."}));
}

TEST_F(MainWindowTest, ResetDialogChoosesTheKindAndKeepsTheMachineRunning) {
    Start();
    struct TCase {
        bool hard;
        bool cancel;
        bool ramKept;
        bool reset;
    };
    for (const TCase& test : {TCase{false, true, true, false}, TCase{false, false, true, true},
                              TCase{true, false, false, true}}) {
        SCOPED_TRACE(testing::Message() << "hard " << test.hard << " cancel " << test.cancel);
        TMemorySelector& memory = *currentMachine->GetMemorySelector();
        bool stillRunning = false;
        bool ramKept = false;
        std::uint16_t pc = 0;
        RunFor(30, [&] {
            memory.SetPrimarySlotRegister(0xFF);  // RAM in slot 3 everywhere
            memory.Write(0xC000, 0x5A);
            currentMachine->GetZ80()->registers.Set(TZ80Registers::PC, 0x1234);
            WhenModalOpens<TResetMSXForm>([&](TResetMSXForm& form) {
                (test.hard ? form.radioHard : form.radioSoft)->setChecked(true);
                (test.cancel ? form.btnCancel : form.btnOK)->click();
            });
            window->menuReset->trigger();
            stillRunning = !currentMachine->IsStopped();
            pc = currentMachine->GetZ80()->registers.Get(TZ80Registers::PC);
            memory.SetPrimarySlotRegister(0xFF);
            ramKept = memory.Read(0xC000) == 0x5A;
        });
        EXPECT_TRUE(stillRunning);
        EXPECT_EQ(ramKept, test.ramKept);
        EXPECT_EQ(pc, test.reset ? 0x0000 : 0x1234);
    }
}

TEST_F(MainWindowTest, SizesDrawEveryPixelOnceOrDoubled) {
    Start();
    RunFor(300);  // C-BIOS draws its logo
    const auto& vdp = static_cast<const TPCV9918&>(*currentMachine->GetVDP());
    for (int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        (scale == 1 ? window->menuSize1_1 : window->menuSize1_2)->trigger();
        QApplication::processEvents();
        EXPECT_EQ(window->screenBevel->size(), scale == 1 ? TMainWindow::screenAreaSize1_1 : TMainWindow::screenAreaSize1_2);
        const QImage shot = window->screenBevel->grab().toImage();
        int mismatches = 0;
        for (int y = 0; y < screenHeight; ++y) {
            for (int x = 0; x < screenWidth; ++x) {
                const TPaletteEntry colour = vdp.GetPalette()[vdp.GetFrameBuffer()[y * screenWidth + x]];
                const QRgb expected = qRgb(colour.red, colour.green, colour.blue);
                for (int dy = 0; dy < scale; ++dy) {
                    for (int dx = 0; dx < scale; ++dx) {
                        if (shot.pixel(1 + x * scale + dx, 1 + y * scale + dy) != expected) ++mismatches;
                    }
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
    EXPECT_TRUE(window->menuSize1_2->isChecked());
    EXPECT_FALSE(window->menuSize1_1->isChecked());
}

TEST_F(MainWindowTest, CommandLineCartridgeIsForThisSessionAndRunStartsTheMachine) {
    const QString rom = QUIB_TEST_CARTRIDGE;
    const std::optional<TStartOptions> parsed =
        ParseCommandLine({"--run", "--cartridge-kind", "plain", rom}, MachineFolder("command_line"));
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->run);
    EXPECT_EQ(parsed->cartridgeKind, TCartridgeKind::plain);
    for (const QStringList& bad : {QStringList{"--fast"}, {"a.rom", "b.rom"}, {"--cartridge-kind", "ASCII", "a.rom"},
                                   {"a.rom", "--cartridge-kind"}, {"--cartridge-kind", "Konami"}}) {
        EXPECT_FALSE(ParseCommandLine(bad, ".")) << bad.join(' ').toStdString();
    }

    bool runningAtOnce = false;
    QTimer::singleShot(200, [&] {
        runningAtOnce = currentMachine && !currentMachine->IsStopped();
        if (runningAtOnce) window->menuPause->trigger();
    });
    Start(*parsed);
    QTest::qWait(300);
    EXPECT_TRUE(runningAtOnce);
    const TCartridgeSlot slot = window->preferences.cartridgeSlots[0];
    EXPECT_NE(currentMachine->GetCartridge(slot.primary, slot.secondary == 255 ? 0 : slot.secondary), nullptr);
    EXPECT_EQ(window->preferences.cartridgeFiles[0], "");
    EXPECT_TRUE(LogLines(*window).contains("Cartridge 1: hello.rom - Plain at page 1 (4000h), 1 block of 16 KB (kind set by hand)"));
}

// The keys each keyboard scan sees down, as their matrix positions row * 8 + bit.
std::vector<std::vector<int>> Scans(int count) {
    std::vector<std::vector<int>> scans;
    for (int scan = 0; scan < count; ++scan) {
        QApplication::processEvents();
        TKeyboard& keyboard = *currentMachine->GetKeyboard();
        keyboard.Scan();
        std::vector<int> down;
        for (int key = 0; key < TKeyboard::rowCount * 8; ++key) {
            if ((keyboard.GetMatrixRow(key / 8) & (1 << key % 8)) == 0) down.push_back(key);
        }
        scans.push_back(down);
    }
    return scans;
}

TEST_F(MainWindowTest, TheScreenKeepsEveryMSXKeyAndNoneSticks) {
    using TScans = std::vector<std::vector<int>>;
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const auto keyboardWidget = [this] { return QApplication::focusWidget() ? QApplication::focusWidget() : window; };
    // Alt alone is GRAPH and leaves the menu bar alone; Alt with a menu's letter opens no menu.
    QTest::keyClick(keyboardWidget(), Qt::Key_Alt, Qt::AltModifier);
    EXPECT_EQ(window->menuBar()->activeAction(), nullptr);
    QTest::keyClick(keyboardWidget(), Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(Scans(5), (TScans{{50}, {}, {27, 50}, {}, {}}));

    // A key held when a menu opens is released after its one scan; one pressed in the menu
    // never reaches the matrix.
    QTest::keyPress(keyboardWidget(), Qt::Key_I);
    window->menuView->popup(window->mapToGlobal(QPoint(20, 20)));
    QApplication::processEvents();
    QTest::keyPress(QApplication::activePopupWidget(), Qt::Key_J);
    window->menuView->close();
    QApplication::processEvents();
    QTest::keyRelease(keyboardWidget(), Qt::Key_I);
    QTest::keyRelease(keyboardWidget(), Qt::Key_J);
    EXPECT_EQ(Scans(3), (TScans{{30}, {}, {}}));

    // Typed faster than the scans: each key is seen down by one scan and up by the next,
    // a key typed twice with one scan up between.
    QTest::keyClicks(keyboardWidget(), "hell1");
    EXPECT_EQ(Scans(8), (TScans{{29}, {26}, {33}, {}, {33}, {1}, {}, {}}));
}

TEST_F(MainWindowTest, ExitWhileRunningStopsTheMachineAndClosesTheWindow) {
    Start();
    QTimer::singleShot(50, [&] { window->menuExit->trigger(); });
    window->menuPause->trigger();
    EXPECT_TRUE(currentMachine->IsStopped());
    EXPECT_TRUE(currentMachine->IsSoundPaused());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, WithoutASoundDeviceTheLogWarnsOnceAndTheMachineRuns) {
    qputenv("SDL_AUDIODRIVER", "no_such_driver");
    Start();
    qputenv("SDL_AUDIODRIVER", "dummy");
    const QStringList log = LogLines(*window);
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log[1], "-- Initializing DirectSound --");
    EXPECT_TRUE(log[2].startsWith("Warning: Failed to open the sound device")) << log[2].toStdString();
    EXPECT_EQ(log[3], "-- Initializing DirectDraw --");
    ASSERT_NE(currentMachine, nullptr);
    RunFor(50);
    EXPECT_GT(currentMachine->GetZ80()->instructionCount, 10001u);
}

TEST(MainWindowStartUp, AFailureBeforeTheMachineExistsDisablesItsMenus) {
    TStartOptions options;
    options.folder = MachineFolder("failed_start_up");
    TQtDesktopServices services;
    TMainWindow window(options);
    TDesktopServices failing = services.Compose(window);
    failing.openDisplay = []() -> TDisplayOutput& { throw std::runtime_error("Failed to create IDirectDraw object"); };
    window.SetServices(failing);
    QString shown;
    WhenModalOpens<QMessageBox>([&](QMessageBox& box) {
        shown = box.text();
        box.accept();
    });
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(shown, "Failed to create IDirectDraw object");
    EXPECT_EQ(currentMachine, nullptr);
    EXPECT_TRUE(LogLines(window).contains("Start-up failed: Failed to create IDirectDraw object"));
    for (QAction* action : {window.menuPause, window.menuReset, window.menuDebugZ80, window.menuConfiguration}) {
        EXPECT_FALSE(action->isEnabled());
    }
    EXPECT_TRUE(window.menuExit->isEnabled());
    window.menuPause->trigger();  // disabled: nothing happens
}

}  // namespace
