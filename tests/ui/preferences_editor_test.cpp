#include "ui/preferences_editor.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <fstream>

#include "host/cartridge_kind_settings.h"
#include "peripherals/joystick.h"
#include "peripherals/printer.h"
#include "ui/desktop_window.h"
#include "ui/main_window.h"
#include "ui/modal_answers.h"

namespace {

const QString rebootQuestion = "Configuration changed|To apply the new settings the MSX needs a reboot.\nReboot Now?";
const QString cassetteQuestion =
    "Cassette settings changed|To apply the new cassette settings the existing file will be deleted!\nContinue?";

struct TTwoJoysticks : TJoystickService {
    int GetDeviceCount() override { return 2; }
    std::optional<TJoystickPosition> GetPosition(int) override { return TJoystickPosition{}; }
    std::optional<TJoystickCapabilities> GetCapabilities(int id) override {
        return TJoystickCapabilities{id == 0 ? "Pad" : "Stick", 0, 100, 0, 100};
    }
};

struct TTwoPorts : TPrinterPorts {
    std::vector<std::string> GetPortNames() override { return {"LPT1:", "COM1:"}; }
    std::vector<std::string> GetPrinterNames() override { return {"Laser", "Ink"}; }
    std::unique_ptr<TPrinterOutput> OpenPort(const std::string&) override { return nullptr; }
};

// A tape image header: magic, length index, accuracy index.
void WriteTapeHeader(const std::filesystem::path& path, char length, char accuracy) {
    std::ofstream(path, std::ios::binary) << "QCS00" << length << accuracy;
}

struct PreferencesEditorTest : ::testing::Test {
    void SetUp() override {
        folder = EditorFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        editor = std::make_unique<TPreferencesEditor>(folder, joysticks, ports);
        editor->SetPreferences(&preferences);
    }
    std::filesystem::path folder;
    TTwoJoysticks joysticks;
    TTwoPorts ports;
    TPreferences preferences;
    std::unique_ptr<TPreferencesEditor> editor;
};

TEST_F(PreferencesEditorTest, EditsAndSavesEveryField) {
    preferences.cartridgeSlotCount = 2;
    preferences.cartridgeSlots[0] = {1, 255};
    preferences.cartridgeSlots[1] = {3, 2};
    preferences.cartridgeFiles[0] = "old/one.rom";
    std::ofstream(folder / "Configurations" / "Other.qcf") << "QCF00";
    std::ofstream(folder / "game.rom") << "AB" << std::string(8190, 0);
    editor->show();

    EXPECT_EQ(editor->editConfiguration->text(), "MSX1");  // "MSX1.qcf" without its extension
    EXPECT_EQ(editor->labelSlot[0]->text(), "Slot: 1");
    EXPECT_EQ(editor->labelSlot[1]->text(), "Slot: 3 - 2");
    EXPECT_EQ(editor->editSlot[0]->text(), "one.rom");
    EXPECT_FALSE(editor->labelSlot[1]->isHidden());
    EXPECT_TRUE(editor->labelSlot[2]->isHidden());
    EXPECT_EQ(editor->comboJoystickPort1->itemText(1), "Joystick 2 - Stick");
    EXPECT_EQ(editor->comboPrinterPort->itemText(1), "COM1:");
    EXPECT_EQ(editor->comboPrinter->itemText(1), "Ink");

    struct TDialog {
        QPushButton* button;
        std::filesystem::path answer;
        QString filter;
        std::filesystem::path folder;  // empty: not checked
    };
    const std::filesystem::path tape = folder / "new.qcs";
    const std::filesystem::path printed = folder / "printed.txt";
    const TDialog dialogs[] = {
        {editor->btnConfig, folder / "Configurations" / "Other.qcf", "QUIB! Configurations (*.qcf)", folder / "Configurations"},
        {editor->btnCasFile, tape, "QUIB! Cassette file (*.qcs)", {}},
        {editor->btnSlotFile[1], folder / "game.rom", "MSX ROM Files (*.rom)", {}},
        {editor->btnPrinterFile, printed, "Printer text file (*.txt)", {}},
    };
    editor->radioPrinterSelection->button(TMSXPrinter::sendToFile)->click();  // enables the file button
    for (const TDialog& dialog : dialogs) {
        SCOPED_TRACE(dialog.filter.toStdString());
        TFileAnswer file(dialog.answer);
        dialog.button->click();
        EXPECT_EQ(file.filter, dialog.filter);
        if (!dialog.folder.empty()) {
            EXPECT_EQ(file.folder, std::filesystem::weakly_canonical(dialog.folder));
        }
    }
    EXPECT_EQ(editor->editConfiguration->text(), "Other");
    EXPECT_EQ(editor->editSlot[1]->text(), "game.rom");
    editor->btnSlotClear[0]->click();
    EXPECT_EQ(editor->editSlot[0]->text(), "");
    Choose(editor->comboCasLength, 3);
    Choose(editor->comboCasAccuracy, 2);

    editor->barPSGVolume->setValue(12);
    editor->cbPSGDisabled->click();
    EXPECT_FALSE(editor->barPSGVolume->isEnabled());
    editor->barSCCVolume->setValue(7);

    editor->radioJoystick1->button(1)->click();
    EXPECT_TRUE(editor->comboJoystickPort1->isEnabled());
    Choose(editor->comboJoystickPort1, 1);
    editor->radioJoystick2->button(2)->click();
    EXPECT_FALSE(editor->comboJoystickPort2->isEnabled());

    editor->radioPrinterSelection->button(TMSXPrinter::sendToPort)->click();
    Choose(editor->comboPrinterPort, 1);
    Choose(editor->comboPrinter, 1);
    editor->radioPrinterSelection->button(TMSXPrinter::sendToFile)->click();
    QTest::keyClicks(editor->editPrinterFile, "2");

    TPreferences expected = preferences;
    expected.defaultConfiguration = "Other.qcf";
    expected.cartridgeFiles[0] = "";
    expected.cartridgeFiles[1] = (folder / "game.rom").string();
    expected.joystick1Device = 1;
    expected.joystick1Id = 1;
    expected.joystick2Device = 2;
    expected.printerOutput = 2;
    expected.printerPort = 1;
    expected.hostPrinter = 1;
    expected.printerFile = printed.string() + "2";
    expected.cassetteLength = 3;
    expected.cassetteAccuracy = 2;
    expected.cassetteFile = tape.string();
    expected.psgDisabled = true;
    expected.psgVolume = 12;
    expected.sccVolume = 7;
    ASSERT_TRUE(expected.Save(folder / "expected.cfg"));

    TBoxAnswers answers({QMessageBox::Yes});
    editor->btnClose->click();
    EXPECT_EQ(answers.Asked(), QStringList{rebootQuestion});
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(editor->configurationChanged || editor->cartridgesChanged);
    EXPECT_EQ(FileBytes(folder / "quib.cfg"), FileBytes(folder / "expected.cfg"));
}

TEST_F(PreferencesEditorTest, ClosingAsksBeforeDeletingATapeOfOtherSettings) {
    struct TCase {
        bool tapeExists;
        char storedLength;
        QMessageBox::StandardButton answer;
        bool asked;
        bool closed;
    };
    const std::filesystem::path tape = folder / "tape.qcs";
    for (const TCase test : {TCase{false, 0, QMessageBox::No, false, true}, TCase{true, 2, QMessageBox::No, false, true},
                             TCase{true, 0, QMessageBox::No, true, false}, TCase{true, 0, QMessageBox::Yes, true, true}}) {
        SCOPED_TRACE(testing::Message() << "exists " << test.tapeExists << " length " << int{test.storedLength}
                                        << " answer " << test.answer);
        std::filesystem::remove(tape);
        if (test.tapeExists) WriteTapeHeader(tape, test.storedLength, 0);
        preferences.cassetteFile = tape.string();
        preferences.cassetteLength = 2;
        editor->show();
        TBoxAnswers answers({test.answer});
        editor->btnClose->click();
        EXPECT_EQ(answers.Asked(), test.asked ? QStringList{cassetteQuestion} : QStringList{});
        EXPECT_EQ(editor->isVisible(), !test.closed);
        EXPECT_EQ(std::filesystem::exists(tape), test.tapeExists && !(test.asked && test.closed));
        editor->hide();
    }
}

TEST_F(PreferencesEditorTest, AnUnwritablePreferencesFileWarnsAndLosesNothing) {
    const std::filesystem::path file = folder / "quib.cfg";
    ASSERT_TRUE(preferences.Save(file));
    const std::vector<char> old = FileBytes(file);
    std::filesystem::create_directory(folder / "quib.cfg.tmp");  // the save cannot write
    editor->show();
    editor->barSCCVolume->setValue(9);
    {
        TBoxAnswers answers({QMessageBox::Ok});
        editor->btnClose->click();
        EXPECT_EQ(answers.Asked(), QStringList{"Warning|The preferences could not be saved to " +
                                               QString::fromStdString(file.string()) +
                                               ". They stay in use until the program ends."});
    }
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(FileBytes(file), old);
    EXPECT_EQ(preferences.sccVolume, 9);

    std::filesystem::remove(folder / "quib.cfg.tmp");
    editor->show();
    editor->btnClose->click();
    TPreferences saved;
    ASSERT_TRUE(saved.Load(file));
    EXPECT_EQ(saved.sccVolume, 9);
}

struct PreferencesEditorMachineTest : DesktopTest {
    void SetUp() override {
        Start();
        ASSERT_NE(currentMachine, nullptr);
    }
    // Opens the editor, does the edits and closes it, answering the boxes in turn.
    QStringList Edit(std::function<void(TPreferencesEditor&)> edits, std::vector<QMessageBox::StandardButton> answers) {
        QStringList asked;
        WhenModalOpens<TPreferencesEditor>([&](TPreferencesEditor& editor) {
            edits(editor);
            TBoxAnswers boxes(answers);
            editor.btnClose->click();
            if (editor.isVisible()) editor.btnClose->click();  // the reboot question is asked again
            asked = boxes.Asked();
        });
        window->menuPreferences->trigger();
        return asked;
    }
};

// A new cartridge resets the processor and is inserted. The chooser shows what Automatic
// picks; a choice by hand stays with its slot and image in quib.ini, is inserted after the
// reboot and named in the log; a tag in the name overrules it.
TEST_F(PreferencesEditorMachineTest, AKindChosenByHandFollowsItsImageAndBootsAfterTheReboot) {
    std::string image(32768, '\0');  // its code switches banks at 6000h and 7000h: ASCII 16K
    image.replace(0, 4, "AB\x10\x40");
    for (std::size_t at = 0x100; at < image.size(); at += 0x1000) {
        image.replace(at, 6, std::string("\x32\x00\x60\x32\x00\x70", 6));
    }
    const std::filesystem::path game = folder / "game.rom", tagged = folder / "tagged [Konami].rom";
    for (const auto& path : {game, tagged}) std::ofstream(path, std::ios::binary) << image;
    const TCartridgeSlot slot = window->preferences.cartridgeSlots[0];
    const int ascii8K = static_cast<int>(TCartridgeKind::ascii8K);
    QStringList shown;  // per step: the first item, the choice, whether one can choose
    const auto look = [&shown](QComboBox* list) {
        shown << list->itemText(0) + "|" + QString::number(list->currentIndex()) + "|" + (list->isEnabled() ? "on" : "off");
    };
    currentMachine->GetZ80()->registers.Set(TZ80Registers::PC, 0x1234);
    const QStringList asked = Edit(
        [&](TPreferencesEditor& editor) {
            look(editor.comboSlotKind[0]);
            TFileAnswer file(game);
            editor.btnSlotFile[0]->click();
            look(editor.comboSlotKind[0]);
            Choose(editor.comboSlotKind[0], ascii8K);
        },
        {QMessageBox::No, QMessageBox::Yes});
    EXPECT_EQ(asked, (QStringList{rebootQuestion, rebootQuestion}));
    EXPECT_EQ(currentMachine->GetZ80()->registers.Get(TZ80Registers::PC), 0x0000);
    ASSERT_NE(FirstCartridge(), nullptr);
    EXPECT_EQ(FirstCartridge()->Read(0x4000), 'A');
    EXPECT_EQ(FirstCartridge()->GetCartridgeKind(), TROMCartridge::ascii8KKind);
    EXPECT_TRUE(window->Memo->toPlainText().contains("Cartridge 1: game.rom - ASCII 8K, 4 blocks of 8 KB (kind set by hand)"));
    EXPECT_EQ(TCartridgeKindSettings(folder).Read(slot, "elsewhere/game.rom"), TCartridgeKind::ascii8K);
    Edit(
        [&](TPreferencesEditor& editor) {
            look(editor.comboSlotKind[0]);
            for (const auto& path : {tagged, game}) {
                TFileAnswer file(path);
                editor.btnSlotFile[0]->click();
                look(editor.comboSlotKind[0]);
            }
            editor.btnSlotClear[0]->click();
            look(editor.comboSlotKind[0]);
        },
        {QMessageBox::Yes});
    EXPECT_EQ(shown, (QStringList{"Automatic|0|off", "Automatic: ASCII 16K|0|on", "Automatic: ASCII 16K|4|on",
                                  "Automatic: Konami (file name)|0|off", "Automatic: ASCII 16K|4|on", "Automatic|0|off"}));
}

TEST_F(PreferencesEditorMachineTest, ANewTapeLengthSurvivesARebuild) {
    const std::filesystem::path tape = folder / "tape.qcs";
    window->preferences.cassetteFile = tape.string();
    currentMachine->ApplyPreferences(false);  // a blank 10-minute Normal tape is saved
    ASSERT_EQ(FileBytes(tape).at(5), 0);
    const QStringList asked = Edit(
        [](TPreferencesEditor& editor) {
            Choose(editor.comboCasLength, 2);
            TFileAnswer file(std::filesystem::path(QUIB_DEFAULT_CONFIGURATION));
            editor.btnConfig->click();  // a rebuild: the old tape must not come back
        },
        {QMessageBox::Yes, QMessageBox::Yes});
    EXPECT_EQ(asked, (QStringList{cassetteQuestion, rebootQuestion}));
    EXPECT_EQ(currentMachine->GetCassette()->GetLength(), 2);
    EXPECT_EQ(window->preferences.cassetteLength, 2);
    EXPECT_EQ(FileBytes(tape).at(5), 2);
}

}  // namespace
