#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "peripherals/keyboard.h"
#include "ui/desktop_window.h"
#include "ui/modal_answers.h"
#include "ui/pc_keyboard_form.h"
#include "ui/preferences_editor.h"
#include "ui/profiler_form.h"
#include "ui/reset_msx_form.h"
#include "ui/vram_view_form.h"
#include "video/pc_v9918.h"

namespace {

QStringList LogLines(const TMainWindow& window) { return window.Memo->toPlainText().split('\n'); }

struct TSilentSoundOutput : TSoundOutput {
    int GetRate() const override { return 44100; }
    void Play(std::span<const std::int16_t>) override {}
    void SetMuted(bool on) override { muted = on; }
    bool muted = false;
};

struct MainWindowTest : DesktopTest {
    // A window built on the sound output is gone before it.
    ~MainWindowTest() override { desktop.reset(); }
    // Runs the machine until the stop, taken at the given moment from inside the run loop.
    void RunFor(int milliseconds, std::function<void()> inside = {}) {
        QTimer::singleShot(milliseconds, [this, inside] {
            if (inside) inside();
            window->menuPause->trigger();
        });
        window->menuPause->trigger();
    }
    TSilentSoundOutput sound;
};

// The frame the video processor drew: its indices in its palette.
QImage FrameImage() {
    const auto& vdp = static_cast<const TPCV9918&>(*currentMachine->GetVDP());
    QImage frame(screenWidth, screenHeight, QImage::Format_Indexed8);
    frame.setColorCount(paletteSize);
    for (int index = 0; index < paletteSize; ++index) {
        const TPaletteEntry colour = vdp.GetPalette()[index];
        frame.setColor(index, qRgb(colour.red, colour.green, colour.blue));
    }
    for (int y = 0; y < screenHeight; ++y) {
        for (int x = 0; x < screenWidth; ++x) frame.setPixel(x, y, vdp.GetFrameBuffer()[y * screenWidth + x]);
    }
    return frame;
}

// Indexed images alike index for index and in their whole palettes, which QImage's == does not compare.
bool SameIndexedImage(const QImage& one, const QImage& other) {
    return one.format() == other.format() && one.size() == other.size() && one.colorTable() == other.colorTable() &&
           std::equal(one.constBits(), one.constBits() + one.sizeInBytes(), other.constBits(),
                      other.constBits() + other.sizeInBytes());
}

TEST_F(MainWindowTest, StartsStoppedWithItsMenusAndLog) {
    Start();
    ASSERT_NE(currentMachine, nullptr);
    EXPECT_EQ(window->windowTitle(), "QUIB! [stopped]");
    EXPECT_TRUE(window->stoppedNotice->isVisible());
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
    EXPECT_EQ(items, (QStringList{"&Configuration|", "&Preferences|", "|", "Insert Cartridge 1...|",
                                  "Insert Cartridge 2...|", "Eject Cartridge 1|", "Eject Cartridge 2|",
                                  "Recent Cartridges|", "|", "Save State...|", "Load State...|", "Quick Save|F6",
                                  "Quick Load|Shift+F6", "|", "Save Screenshot...|Print", "|", "E&xit|",
                                  "Cassette Controls|", "&Size|", "Fullscreen|F10", "&Pause|F11", "&Reset|F12",
                                  "Full speed|F9", "|", "Mute|Ctrl+F10", "Pause when inactive|", "&Z80|",
                                  "&Memory|", "&Video|", "|", "&Debugger|Ctrl+D", "Memory V&iew|",
                                  "V&RAM View|", "&Profiler|"}));
    window->menuProfiler->trigger();
    ASSERT_NE(window->profilerForm, nullptr);
    EXPECT_TRUE(window->profilerForm->isVisible());
    window->profilerForm->close();
    EXPECT_FALSE(window->menuFullSpeed->isChecked());
    EXPECT_FALSE(window->keyboardInfoForm->isVisible());
    TBoxAnswers about({QMessageBox::Ok});
    window->menuAbout->trigger();
    const QString aboutText = about.Asked().value(0);
    EXPECT_TRUE(aboutText.startsWith("About QUIB!|<h3>QUIB! " QUIB_VERSION "</h3>"));
    EXPECT_TRUE(aboutText.contains("MIT licence") && aboutText.contains("2-clause BSD")) << "both licences are named";
}

TEST_F(MainWindowTest, PauseRunsTheMachineUntilPausedAgainAndNests) {
    Start();
    window->menuVRAMView->trigger();
    auto* vram = window->findChild<TVRAMViewForm*>();
    ASSERT_TRUE(vram && vram->isVisible());
    const QString registersBefore = vram->lblTables->text();
    std::uint64_t instructionsWhileRunning = 0;
    bool runningInside = false;
    // C-BIOS first writes the video processor in its eighth frame, 160 ms in at 50 Hz.
    RunFor(300, [&] {
        runningInside = !currentMachine->IsStopped() && !window->menuPause->isChecked();
        instructionsWhileRunning = currentMachine->GetZ80()->instructionCount;
    });
    EXPECT_TRUE(runningInside);
    EXPECT_GT(instructionsWhileRunning, 1000u);
    EXPECT_TRUE(currentMachine->IsStopped());
    EXPECT_TRUE(window->menuPause->isChecked());
    EXPECT_EQ(LogLines(*window).mid(3), (QStringList{"Starting Z80...", "Stopping Z80..."}));
    EXPECT_NE(vram->lblTables->text(), registersBefore) << "the VRAM view reads the video processor as the machine stops";

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

TEST_F(MainWindowTest, SizesDrawEveryPixelAsAWholeSquareAndScreenshotsKeepTheFrame) {
    Start();
    RunFor(300);  // C-BIOS draws its logo
    const QImage frame = FrameImage().convertToFormat(QImage::Format_RGB32);
    // The notice over a stopped machine is left out of the pictures.
    const auto grab = [this] {
        window->stoppedNotice->hide();
        return window->screenBevel->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    QAction* const sizes[] = {window->menuSize1_1, window->menuSize1_2, window->menuSize1_3, window->menuSize1_4};
    for (int scale = 1; scale <= 4; ++scale) {
        SCOPED_TRACE(scale);
        sizes[scale - 1]->trigger();
        QApplication::processEvents();
        EXPECT_EQ(window->screenBevel->size(), TMainWindow::ScreenAreaSize(scale));
        const QSize size = frame.size() * scale;
        EXPECT_TRUE(grab().copy(QRect(QPoint(1, 1), size)) == frame.scaled(size));
    }
    EXPECT_TRUE(window->menuSize1_4->isChecked());

    // By hand: the largest whole scale that fits, centred on black; never below 1:1.
    window->resize(window->size() - TMainWindow::ScreenAreaSize(4) + TMainWindow::ScreenAreaSize(2) + QSize(101, 41));
    QApplication::processEvents();
    const QImage shot = grab();
    EXPECT_EQ(shot.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(1 + 50 + 2 * 100, 1 + 20 + 2 * 100), frame.pixel(100, 100));
    window->resize(100, 100);
    QApplication::processEvents();
    EXPECT_EQ(window->screenBevel->size(), TMainWindow::screenAreaSize1_1);

    // The screenshot is the frame itself: its indices, its palette, numbered on.
    for (const char* name : {"quib-0001.png", "quib-0002.png"}) {
        window->menuSaveScreenshot->trigger();
        const std::filesystem::path file = folder / "Screenshots" / name;
        EXPECT_EQ(LogLines(*window).last(), QString::fromStdString("Screenshot saved to " + file.string()));
        EXPECT_TRUE(SameIndexedImage(QImage(QString::fromStdString(file.string())), FrameImage()));
    }
}

TEST_F(MainWindowTest, CommandLineCartridgeIsForThisSessionAndRunStartsTheMachine) {
    const QString rom = QUIB_TEST_CARTRIDGE;
    const std::optional<TStartOptions> parsed =
        ParseCommandLine({"--run", "--frequency", "60", "--cartridge-kind", "plain", rom}, folder);
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->run);
    EXPECT_EQ(parsed->frequency, TVideoFrequency::hertz60);
    EXPECT_EQ(parsed->cartridgeKind, TCartridgeKind::plain);
    for (const QStringList& bad : {QStringList{"--fast"}, {"a.rom", "b.rom"}, {"--cartridge-kind", "ASCII", "a.rom"},
                                   {"a.rom", "--cartridge-kind"}, {"--cartridge-kind", "Konami"},
                                   {"--frequency", "55"}, {"--frequency"}}) {
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
    EXPECT_EQ(window->statusFrequency->text(), "60 Hz") << "as the command line asks, whatever the ROM declares";
    EXPECT_NE(FirstCartridge(), nullptr);
    EXPECT_EQ(window->preferences.cartridgeFiles[0], "");
    EXPECT_TRUE(LogLines(*window).contains("Cartridge 1: hello.rom - Plain at page 1 (4000h), 1 block of 16 KB (kind set by hand)"));
}

// The keys the keyboard scans see down, as their matrix positions row * 8 + bit, each
// state once however many scans it stands for.
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
        if (scans.empty() || scans.back() != down) scans.push_back(down);
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
    EXPECT_EQ(Scans(30), (TScans{{50}, {}, {50}, {27, 50}, {50}, {}}));

    // A key held when a menu opens is released after its scans; one pressed in the menu
    // never reaches the matrix.
    QTest::keyPress(keyboardWidget(), Qt::Key_I);
    window->menuView->popup(window->mapToGlobal(QPoint(20, 20)));
    QApplication::processEvents();
    QTest::keyPress(QApplication::activePopupWidget(), Qt::Key_J);
    window->menuView->close();
    QApplication::processEvents();
    QTest::keyRelease(keyboardWidget(), Qt::Key_I);
    QTest::keyRelease(keyboardWidget(), Qt::Key_J);
    EXPECT_EQ(Scans(30), (TScans{{30}, {}}));

    // Typed faster than the scans: each key is seen down, then up, by scans of their own.
    QTest::keyClicks(keyboardWidget(), "hell1");
    EXPECT_EQ(Scans(60), (TScans{{29}, {}, {26}, {}, {33}, {}, {33}, {}, {1}, {}}));
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

// A folder like the executable's with a Configurations folder of its own, copied
// from the build's, so that a test may damage it.
std::filesystem::path CopiedMachineFolder(const std::string& name) {
    const std::filesystem::path folder = EditorFolder(name);
    for (const auto& file :
         std::filesystem::directory_iterator(std::filesystem::path(QUIB_DEFAULT_CONFIGURATION).parent_path())) {
        std::filesystem::copy_file(file.path(), folder / "Configurations" / file.path().filename());
    }
    return folder;
}

// Cartridge paths short enough for quib.cfg's fields.
std::filesystem::path ShortFolder() {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quib-main-window-test";
    std::filesystem::create_directories(folder);
    return folder;
}

// quib.cfg in the program folder with the cartridge for the first slot.
void SavePreferencesWithCartridge(const std::filesystem::path& programFolder, const std::filesystem::path& cartridge) {
    TPreferences preferences;
    preferences.cartridgeSlots[0] = {1, 255};
    preferences.cartridgeFiles[0] = cartridge.string();
    ASSERT_TRUE(preferences.Save(programFolder / "quib.cfg"));
}

void WriteBytes(const std::filesystem::path& file, std::size_t count, bool random = false) {
    std::string bytes(count, '\0');
    std::uint32_t seed = 12345;
    for (char& byte : bytes) byte = static_cast<char>(random ? (seed = seed * 1103515245 + 12345) >> 16 : 0);
    std::ofstream(file, std::ios::binary) << bytes;
}

TEST_F(MainWindowTest, EachFileThatCannotBeUsedIsNamedOnceInTheLogAndTheRestBuilds) {
    const std::filesystem::path rom = QUIB_TEST_CARTRIDGE;
    struct TCase {
        const char* name;
        std::function<void(const std::filesystem::path&)> damage;
        const char* logged;
        const char* keptAside;  // the damaged file moved aside, or nothing
    };
    const TCase cases[] = {
        {"three_byte_cartridge",
         [](const auto& folder) {
             WriteBytes(ShortFolder() / "tiny.rom", 3);
             SavePreferencesWithCartridge(folder, ShortFolder() / "tiny.rom");
         },
         "tiny.rom - not inserted: the image is shorter than a cartridge header (3 bytes)", nullptr},
        {"missing_system_page",
         [](const auto& folder) { std::filesystem::remove(folder / "Configurations" / "cbios_main_msx1_page1.rom"); },
         "cbios_main_msx1_page1.rom cannot be used: the file does not exist.", nullptr},
        {"truncated_configuration",
         [](const auto& folder) { std::filesystem::resize_file(folder / "Configurations" / "MSX1.qcf", 100); },
         "MSX1.qcf is damaged (it is too short (100 of 3343 bytes))", "Configurations/MSX1.qcf.damaged"},
        {"empty_preferences", [](const auto& folder) { WriteBytes(folder / "quib.cfg", 0); },
         "quib.cfg is damaged (it is too short (0 of 901 bytes))", "quib.cfg.damaged"},
        {"random_preferences", [](const auto& folder) { WriteBytes(folder / "quib.cfg", TPreferences::fileSize, true); },
         "quib.cfg is damaged (", "quib.cfg.damaged"},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.name);
        TStartOptions options;
        options.folder = CopiedMachineFolder(test.name);
        test.damage(options.folder);
        TBoxAnswers boxes(std::vector<QMessageBox::StandardButton>(20, QMessageBox::Ok));
        Start(options);
        EXPECT_EQ(boxes.Asked(), QStringList{}) << "start-up reports in the log, never in boxes";
        const QStringList log = LogLines(*window);
        EXPECT_EQ(log.filter(test.logged).size(), 1) << log.join("\n").toStdString();
        EXPECT_EQ(log.size(), 4) << "one line besides the three of every start";
        if (test.keptAside) {
            EXPECT_TRUE(std::filesystem::exists(options.folder / test.keptAside));
        }
        ASSERT_NE(currentMachine, nullptr);
        // The machine is built with the rest: an empty cartridge slot, or an empty page for a missing ROM.
        const TROMCartridge* cartridge = currentMachine->GetCartridge(1, 0);
        if (cartridge) {
            EXPECT_EQ(cartridge->GetName(), "ROM Cartridge");
        }
        const bool pageLost = std::string(test.name) == "missing_system_page" || !cartridge;
        EXPECT_EQ(currentMachine->GetMemorySelector()->GetBank(0, 0, 1)->GetName(),
                  pageLost ? "N/A" : "cbios_main_msx1_page1.rom");
    }
}

TEST_F(MainWindowTest, ABadCommandLineCartridgeLeavesTheSlotEmptyInsteadOfTheSavedOne) {
    std::filesystem::copy_file(QUIB_TEST_CARTRIDGE, ShortFolder() / "hello.rom",
                               std::filesystem::copy_options::overwrite_existing);
    SavePreferencesWithCartridge(folder, ShortFolder() / "hello.rom");
    WriteBytes(folder / "bad.rom", 3);
    TStartOptions options;
    options.cartridge = folder / "bad.rom";
    options.run = true;
    const QString report = QString::fromStdString("The cartridge image " + options.cartridge.string() +
                                                  " cannot be used: the image is shorter than a cartridge header (3 bytes).");
    // One rule, start after start: one box, once the window is up, then the run; the same line in the log.
    for (int start = 0; start < 20; ++start) {
        TBoxAnswers boxes({QMessageBox::Ok, QMessageBox::Ok});
        // The run loop holds the thread: it is stopped from inside, once it runs.
        bool ran = false;
        QTimer stopper;
        QObject::connect(&stopper, &QTimer::timeout, [&] {
            if (ran || !currentMachine || currentMachine->IsStopped()) return;
            ran = true;
            window->menuPause->trigger();
        });
        stopper.start(10);
        Start(options);
        EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 3000)) << start;
        ASSERT_EQ(boxes.Asked(), QStringList{"Warning|" + report}) << start;
        EXPECT_EQ(LogLines(*window).count("Warning: " + report), 1) << start;
        EXPECT_EQ(currentMachine->GetCartridge(1, 0)->GetName(), "ROM Cartridge") << "ejected, not the saved one";
    }
}

TEST_F(MainWindowTest, APathLongerThanItsFieldSurvivesARestartThroughQuibIni) {
    const std::filesystem::path longPath = folder / (std::string(30, 'n') + ".rom");
    ASSERT_GE(longPath.string().size(), 70u);
    std::filesystem::copy_file(QUIB_TEST_CARTRIDGE, longPath);
    Start();
    window->preferences.cartridgeFiles[0] = longPath.string();
    WhenModalOpens<TPreferencesEditor>([](TPreferencesEditor& editor) { editor.btnClose->click(); });
    window->menuPreferences->trigger();
    EXPECT_EQ(FileBytes(folder / "quib.cfg").size(), TPreferences::fileSize);

    Start();
    EXPECT_EQ(window->preferences.cartridgeFiles[0], longPath.string());
    EXPECT_EQ(FirstCartridge()->GetName(), longPath.filename().string());
}

TEST_F(MainWindowTest, CartridgesFromTheMenuOrADropAreKeptForTheNextStart) {
    Start();
    const QString hello = QUIB_TEST_CARTRIDGE;
    // Longer than quib.cfg's 50 characters, so only quib.ini has it whole.
    const std::filesystem::path longName = folder / "a cartridge image with a name longer than fifty.rom";
    std::filesystem::copy_file(hello.toStdString(), longName);
    const QString kept = QString::fromStdString(longName.string());
    const std::filesystem::path damaged = folder / "short.rom";
    std::ofstream(damaged) << "AB";

    TFileAnswer answer(longName);
    window->menuInsertCartridge1->trigger();
    QMimeData dragged;
    dragged.setUrls({QUrl::fromLocalFile(hello)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(window, &drop);
    QApplication::processEvents();
    const QString both = "QUIB! - a cartridge image with a name longer than fifty.rom + hello.rom [stopped]";
    EXPECT_EQ(window->windowTitle(), both);
    EXPECT_EQ(window->statusKind->text(), "1: ROM at 4000h  2: ROM at 4000h");
    EXPECT_EQ(window->statusState->text(), "stopped");

    TBoxAnswers boxes({QMessageBox::Ok});
    EXPECT_FALSE(window->InsertCartridgeFile(0, QString::fromStdString(damaged.string())));
    EXPECT_EQ(boxes.Asked().size(), 1);
    EXPECT_EQ(window->windowTitle(), both);
    QStringList recent;
    for (QAction* action : window->menuRecentCartridges->actions()) recent << action->text();
    EXPECT_EQ(recent, (QStringList{"&1 " + hello, "&2 " + kept}));

    Start();
    EXPECT_EQ(window->windowTitle(), both);
    EXPECT_EQ(window->menuRecentCartridges->actions().size(), 2);
    window->menuEjectCartridge1->trigger();
    EXPECT_EQ(window->windowTitle(), "QUIB! - hello.rom [stopped]");
    window->menuRecentCartridges->actions()[1]->trigger();
    EXPECT_EQ(window->windowTitle(), both);
    window->menuEjectCartridge2->trigger();
    Start();
    EXPECT_EQ(window->windowTitle(), "QUIB! - a cartridge image with a name longer than fifty.rom [stopped]");
}

TEST_F(MainWindowTest, MuteFullSpeedAndPauseWhenInactiveBehaveAndAreKept) {
    const auto silent = [&](TDesktopServices& services) { services.openSound = [&]() -> TSoundOutput& { return sound; }; };
    Start({}, silent);
    struct TCase {
        bool mute;
        bool fullSpeed;
        bool muted;
    };
    for (const TCase& test : {TCase{true, false, true}, TCase{false, true, true}, TCase{false, false, false}, TCase{true, false, true}}) {
        if (window->menuMute->isChecked() != test.mute) window->menuMute->trigger();
        if (window->menuFullSpeed->isChecked() != test.fullSpeed) window->menuFullSpeed->trigger();
        EXPECT_EQ(sound.muted, test.muted) << test.mute << test.fullSpeed;
    }
    window->menuPauseWhenInactive->trigger();
    sound.muted = false;
    Start({}, silent);
    EXPECT_TRUE(window->menuMute->isChecked());
    EXPECT_TRUE(sound.muted);
    EXPECT_TRUE(window->menuPauseWhenInactive->isChecked());

    // Another application takes the focus: the machine stops, and runs again when it comes back.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    bool stoppedInactive = false;
    QTimer::singleShot(100, [&] {
        QApplication::setActiveWindow(nullptr);
        stoppedInactive = currentMachine->IsStopped();
    });
    window->menuPause->trigger();
    EXPECT_TRUE(stoppedInactive);
    EXPECT_EQ(window->windowTitle(), "QUIB! [stopped]");
    QString state;
    QString speed;
    bool noticeShown = true;
    QTimer::singleShot(1200, [&] {
        state = window->statusState->text();
        speed = window->statusSpeed->text();
        noticeShown = window->stoppedNotice->isVisible();
        window->menuPause->trigger();
    });
    QApplication::setActiveWindow(window);
    QTest::qWait(1400);
    EXPECT_EQ(state, "running");
    EXPECT_FALSE(noticeShown);
    EXPECT_TRUE(QRegularExpression("^[0-9]+\\.[0-9] fps \\([0-9]+%\\)$").match(speed).hasMatch()) << speed.toStdString();
    EXPECT_TRUE(window->stoppedNotice->isVisible());
}

// The keys themselves are pressed in the end-to-end test, under a real X server.
TEST_F(MainWindowTest, FullscreenShowsOnlyTheScreenAndEitherItemLeavesIt) {
    Start();
    const QRect windowed = window->geometry();
    EXPECT_FALSE(window->menuLeaveFullscreen->isEnabled());  // Escape is the MSX's
    for (QAction* leave : {window->menuFullscreen, window->menuLeaveFullscreen}) {
        window->menuFullscreen->trigger();
        QApplication::processEvents();
        EXPECT_TRUE(window->isFullScreen());
        EXPECT_TRUE(window->actions().contains(window->menuFullscreen));  // its key works without the menu bar
        EXPECT_TRUE(window->menuLeaveFullscreen->isEnabled());
        EXPECT_FALSE(window->menuBar()->isVisible());
        EXPECT_FALSE(window->Memo->isVisible());
        EXPECT_FALSE(window->statusBar()->isVisible());
        const QRect picture = desktop->services.GetDisplayOutput()->PictureRectangle();
        const int scale = picture.width() / screenWidth;
        EXPECT_EQ(picture.size(), QSize(screenWidth, screenHeight) * scale);
        EXPECT_TRUE(window->screenBevel->width() < screenWidth * (scale + 1) + 2 ||
                    window->screenBevel->height() < screenHeight * (scale + 1) + 2);
        leave->trigger();
        QApplication::processEvents();
        EXPECT_FALSE(window->isFullScreen());
        EXPECT_TRUE(window->menuBar()->isVisible());
        EXPECT_EQ(window->geometry(), windowed);
    }
}

TEST_F(MainWindowTest, AFailureBeforeTheMachineExistsDisablesItsMenus) {
    TBoxAnswers boxes({QMessageBox::Ok});
    Start({}, [](TDesktopServices& services) {
        services.openDisplay = []() -> TDisplayOutput& { throw std::runtime_error("Failed to create IDirectDraw object"); };
    });
    EXPECT_EQ(boxes.Asked(), QStringList{"QUIB!|Failed to create IDirectDraw object"});
    EXPECT_EQ(currentMachine, nullptr);
    EXPECT_TRUE(LogLines(*window).contains("Start-up failed: Failed to create IDirectDraw object"));
    for (QAction* action : {window->menuPause, window->menuReset, window->menuDebugZ80, window->menuConfiguration}) {
        EXPECT_FALSE(action->isEnabled());
    }
    EXPECT_TRUE(window->menuExit->isEnabled());
    window->menuPause->trigger();  // disabled: nothing happens
}

// A state saved and loaded while the machine runs: the machine keeps running,
// from the saved moment; a damaged file is reported and changes nothing.
TEST_F(MainWindowTest, StatesSaveAndLoadThroughTheMenusAndQuickKeys) {
    Start();
    std::uint32_t savedCount = 0;
    RunFor(200, [&] {
        QTest::keyClick(window, Qt::Key_F6);
        savedCount = currentMachine->GetZ80()->instructionCount;
    });
    EXPECT_TRUE(LogLines(*window).contains(QString::fromStdString("State saved to " + (folder / "quick.qst").string())));
    RunFor(200, [&] {
        QTest::keyClick(window, Qt::Key_F6, Qt::ShiftModifier);
        EXPECT_FALSE(currentMachine->IsStopped());
        EXPECT_EQ(currentMachine->GetZ80()->instructionCount, savedCount);
    });
    EXPECT_TRUE(LogLines(*window).contains(QString::fromStdString("State loaded from " + (folder / "quick.qst").string())));

    TFileAnswer saveAs(folder / "named");
    window->menuSaveState->trigger();
    EXPECT_EQ(saveAs.filter, "QUIB! State file (*.qst)");
    ASSERT_TRUE(std::filesystem::exists(folder / "named.qst"));
    std::ofstream(folder / "named.qst", std::ios::binary | std::ios::in) << "damaged";
    const std::uint32_t before = currentMachine->GetZ80()->instructionCount;
    TBoxAnswers boxes({QMessageBox::Ok});
    TFileAnswer open(folder / "named.qst");
    window->menuLoadState->trigger();
    EXPECT_EQ(boxes.Asked().value(0).toStdString(), "Warning|Cannot load the state file " + (folder / "named.qst").string() +
                                                         ": it is not a Quib state file.");
    EXPECT_EQ(currentMachine->GetZ80()->instructionCount, before);
}

}  // namespace
