#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

#include "host/qt_user_messages.h"
#include "support/test_host.h"
#include "ui/qt_device_windows.h"
#include "ui/desktop_window.h"
#include "ui/main_window.h"
#include "ui/memory_form.h"
#include "ui/modal_answers.h"
#include "ui/pc_cassette_form.h"
#include "ui/pc_z80_form.h"
#include "ui/v9918_form.h"

namespace {

// A machine with Qt windows for its devices: RAM in slot 0 and in slot 3-2 of
// an expanded slot 3, so that programs run from address 0.
struct DebugWindowsTest : ::testing::Test {
    DebugWindowsTest() {
        FillSlot(configuration, 0, 0, TConfiguration::pageRAM);
        configuration.expanded[3] = 1;
        FillSlot(configuration, 3, 2, TConfiguration::pageRAM);
        machine.Build(configuration);
        processor().Reset();
    }
    TPCZ80& processor() { return *machine.GetPCZ80(); }
    TPCZ80Form& z80Form() { return static_cast<TPCZ80Form&>(*processor().form); }
    void Load(std::vector<std::uint8_t> program) {
        for (std::size_t at = 0; at < program.size(); ++at) machine.GetMemorySelector()->Write(at, program[at]);
    }
    void Steps(int count) {
        for (int step = 0; step < count; ++step) z80Form().btnStepZ80->click();
    }

    QWidget owner;
    TTestHost host;
    TQtUserMessages boxes{&owner};
    int closedWindows = 0;
    TQtDeviceWindows windows{owner, [this] { ++closedWindows; }};
    TPCMSX machine{{host.pump, boxes, nullptr, host.keys, host.joysticks, host.printerPorts, &host.clock,
                    &host.sound, &windows}};
    TConfiguration configuration;
};

TEST_F(DebugWindowsTest, SingleStepsShowTheRegistersAndTheInstructions) {
    Load({0x3E, 0x3F, 0x21, 0x80, 0xF3, 0x37});  // LD A,3F; LD HL,F380; SCF
    processor().ShowDebugWindow();
    EXPECT_TRUE(processor().windowShown);
    Steps(3);
    EXPECT_EQ(z80Form().lblPC->text(), "0006h");
    EXPECT_EQ(z80Form().lblHL->text(), "F380h");
    EXPECT_EQ(z80Form().lblAF->text(), "3F01h");
    EXPECT_EQ(z80Form().lblFlag->text(), "P......C");
    EXPECT_EQ(z80Form().lblICount->text(), QString::number(processor().CyclesLeftInFrame()));
    EXPECT_EQ(z80Form().memoDisAsm->toPlainText(), " 0000   LD   A,3F\n 0002   LD   HL,F380\n 0005   SCF");
    EXPECT_FALSE(processor().running);

    // Without the screen trace the labels stand still.
    z80Form().cbTraceScreen->click();
    Steps(1);
    EXPECT_EQ(z80Form().lblPC->text(), "0006h");

    z80Form().cbTraceScreen->click();
    Load(std::vector<std::uint8_t>(60, 0x00));
    Steps(60);
    EXPECT_EQ(z80Form().memoDisAsm->document()->blockCount(), TPCZ80Form::maximumLines);

    z80Form().close();
    EXPECT_FALSE(processor().windowShown);
    EXPECT_EQ(closedWindows, 1);
}

TEST_F(DebugWindowsTest, InterruptStateTexts) {
    struct Case {
        std::vector<std::uint8_t> program;
        bool interruptNow;
        const char* iff;
    };
    const Case cases[] = {
        {{0xED, 0x46, 0xFB, 0x00}, false, "01h"},  // IM 0; EI
        {{0xED, 0x56, 0xFB, 0x00}, false, "03h"},  // IM 1; EI
        {{0xED, 0x5E, 0xFB, 0x00}, true, "44h"},   // IM 2; EI; the frame interrupt taken
        {{0xED, 0x46, 0xFB, 0x76}, false, "81h"},  // IM 0; EI; HALT
    };
    processor().ShowDebugWindow();
    for (const Case& c : cases) {
        processor().Reset();
        processor().SetInterruptLine(false);
        Load(c.program);
        Steps(3);
        // With the interrupt line asserted, the next step ends by taking it.
        if (c.interruptNow) {
            processor().SetInterruptLine(true);
            Steps(2);
        }
        EXPECT_EQ(z80Form().lblIFF->text(), c.iff) << c.iff;
    }
}

TEST_F(DebugWindowsTest, TraceFileHoldsTheRecordsOfEachStep) {
    const std::filesystem::path folder = EditorFolder("trace");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    Load({0x3E, 0x3F, 0x21, 0x80, 0xF3});
    // Hidden: the file trace goes on without the window.
    z80Form().cbTraceFile->click();
    Steps(2);
    z80Form().cbTraceFile->click();
    const std::string expected =
        "SP:F000 FLAGS:P.......\n\t\t\tAF:3F00 BC:0000 DE:0000 HL:0000 IX:0000 IY:0000\n\n"
        "0000: LD   A,3F\t\t"
        "SP:F000 FLAGS:P.......\n\t\t\tAF:3F00 BC:0000 DE:0000 HL:F380 IX:0000 IY:0000\n\n"
        "0002: LD   HL,F380\t\t";
    const std::vector<char> bytes = FileBytes(folder / TPCZ80Form::traceFileName);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
    EXPECT_TRUE(z80Form().memoDisAsm->toPlainText().isEmpty());

    // A folder where the file cannot be made: the user hears of it and the box is cleared.
    std::filesystem::create_directory(folder / "blocked");
    std::filesystem::create_directory(folder / "blocked" / TPCZ80Form::traceFileName);
    std::filesystem::current_path(folder / "blocked");
    TBoxAnswers answers({QMessageBox::Ok});
    z80Form().cbTraceFile->click();
    std::filesystem::current_path(previous);
    ASSERT_EQ(answers.Asked().size(), 1);
    EXPECT_TRUE(answers.Asked()[0].startsWith("Warning|Cannot create the trace file z80output.txt in the folder "));
    EXPECT_TRUE(answers.Asked()[0].contains("blocked"));
    EXPECT_FALSE(z80Form().cbTraceFile->isChecked());
    EXPECT_FALSE(z80Form().TraceToFile());
}

TEST_F(DebugWindowsTest, MemoryWindowFollowsTheSlotRegisters) {
    TPCMemorySelector& selector = *machine.GetPCMemorySelector();
    selector.ShowDebugWindow();
    auto& form = static_cast<TMemoryForm&>(*selector.form);
    const auto cell = [](QTableWidget* grid, int column, int row) { return grid->item(row, column)->text(); };
    EXPECT_EQ(cell(form.gridSelected, 1, 1), "Slot 0 - 0:   RAM");
    EXPECT_EQ(form.lblPrimaryReg->text(), "00");

    machine.GetIOHandler()->WritePort(0xA8, 0xF0);
    EXPECT_EQ(cell(form.gridSelected, 1, 2), "Slot 0 - 0:   RAM");
    EXPECT_EQ(cell(form.gridSelected, 1, 3), "Slot 3 - 0:   N/A");
    EXPECT_EQ(form.lblPrimaryReg->text(), "F0");
    EXPECT_EQ(cell(form.gridPrimary, 4, 2), "Expanded");
    EXPECT_EQ(cell(form.gridPrimary, 1, 4), "RAM");
    for (int column = 1; column < 5; ++column) {
        for (int row = 1; row < 5; ++row) EXPECT_EQ(cell(form.gridSecondary, column, row), "Not expanded");
    }

    selector.Write(0xFFFF, 0x90);  // page 3 to slot 3-2, page 2 to slot 3-1
    EXPECT_EQ(cell(form.gridSelected, 1, 3), "Slot 3 - 1:   N/A");
    EXPECT_EQ(cell(form.gridSelected, 1, 4), "Slot 3 - 2:   RAM");
    EXPECT_EQ(form.lblSecondary->text(), "Secondary slots for Primary slot 3");
    EXPECT_EQ(form.lblSecondaryReg->text(), "90");
    EXPECT_EQ(cell(form.gridSecondary, 3, 0), "Slot 3 - 2");
    EXPECT_EQ(cell(form.gridSecondary, 3, 1), "RAM");
    EXPECT_EQ(cell(form.gridSecondary, 1, 1), "N/A");

    form.udPrimarySlot->stepBy(1);  // from 3 round to 0
    EXPECT_EQ(form.lblSecondary->text(), "Secondary slots for Primary slot 0");
    form.close();
    EXPECT_FALSE(selector.windowShown);
}

TEST_F(DebugWindowsTest, VideoWindowFollowsEveryPortAccess) {
    machine.GetPCV9918()->ShowDebugWindow();
    auto& form = static_cast<TV9918Form&>(*machine.GetPCV9918()->form);
    TIOHandler& ports = *machine.GetIOHandler();
    ports.WritePort(0x99, 0x34);
    EXPECT_EQ(form.Label12->text(), "Register");
    EXPECT_EQ(form.lblData->text(), "34h");
    ports.WritePort(0x99, 0x00);  // graphic 1 (R0 = 00h stays; R1 comes next)
    ports.WritePort(0x99, 0x06);
    ports.WritePort(0x99, 0x82);  // R2 = 06h
    EXPECT_EQ(form.Label12->text(), "Data");
    EXPECT_EQ(form.lblData->text(), "n/a");
    EXPECT_EQ(form.lblRegisters[2]->text(), "06h");
    EXPECT_EQ(form.lblpatnam->text(), "01800h");
    EXPECT_EQ(form.lblsprcol->text(), "00000h");
    ports.ReadPort(0x99);
    EXPECT_EQ(form.lblStatus->text(), "1Fh");
    form.close();
    EXPECT_FALSE(machine.GetPCV9918()->windowShown);
}

TEST_F(DebugWindowsTest, CassetteWindowButtonsAndPrompts) {
    const std::filesystem::path tape = EditorFolder("cassette") / "tape.qcs";
    TPCCassette& cassette = *machine.GetPCCassette();
    auto& form = static_cast<TPCCassetteForm&>(*cassette.window);
    // Without a tape the buttons have nothing to act on, and the window says so.
    form.UpdateStatus();
    EXPECT_FALSE(form.btnRecord->isEnabled());
    EXPECT_EQ(form.lblTape->text(), "No tape (File, Preferences)");
    cassette.Open(tape, 0, 1);
    EXPECT_TRUE(form.btnRecord->isEnabled());
    EXPECT_EQ(form.lblTape->text(), "tape.qcs");
    EXPECT_EQ(form.windowTitle(), "Cassette Controls - 10 min. - High");
    cassette.ShowWindow();
    EXPECT_TRUE(form.casTimer->isActive());

    form.btnForward->click();
    EXPECT_EQ(cassette.GetPosition(), cassette.GetTapeBits() / 10);
    EXPECT_EQ(form.lblPosition->text(), "01:00:00");
    EXPECT_EQ(form.barPosition->value(), 100);
    form.btnlay->click();
    EXPECT_EQ(form.lblMotor->text(), "On");
    form.btnStop->click();
    EXPECT_EQ(form.lblMotor->text(), "Off");
    form.btnRewind->click();
    form.btnBackward->click();
    EXPECT_EQ(cassette.GetPosition(), 0);

    // The MSX writes a high level with recording off: asked once, Yes records.
    TBoxAnswers answers({QMessageBox::Yes});
    cassette.WritePort(0xAA, 0x20);
    cassette.WritePort(0xAA, 0x00);
    cassette.WritePort(0xAA, 0x20);
    EXPECT_EQ(answers.Asked(), QStringList{"Cassette data write|The MSX is trying to write data to cassette while "
                                           "recording is off.\nDo you want to switch recording on now?"});
    form.UpdateStatus();
    EXPECT_EQ(form.lblRecording->text(), "On");
    form.btnRecord->click();
    EXPECT_FALSE(cassette.IsRecording());
    form.close();
    EXPECT_FALSE(form.casTimer->isActive());
}

TEST(CassetteFormTest, PositionTexts) {
    struct Case {
        std::int32_t position, instructionsPerSample;
        const char* text;
    };
    const Case cases[] = {{0, 10, "00:00:00"},       {3600000, 10, "01:00:00"}, {61000, 10, "00:01:01"},
                          {2397600, 15, "01:00:00"}, {999, 10, "00:00:00"},     {1000, 10, "00:00:01"}};
    for (const Case& c : cases) EXPECT_EQ(TPCCassetteForm::PositionText(c.position, c.instructionsPerSample), c.text);
}

using DebugWindowsMainTest = DesktopTest;

// Single Step while the machine runs stops it, and the Pause mark says so.
TEST_F(DebugWindowsMainTest, SingleStepStopsTheRunningMachine) {
    Start();
    window->menuDebugZ80->trigger();
    window->menuDebugVideo->trigger();
    TPCZ80& processor = *currentMachine->GetPCZ80();
    auto& form = static_cast<TPCZ80Form&>(*processor.form);
    auto& videoForm = static_cast<TV9918Form&>(*currentMachine->GetPCV9918()->form);
    EXPECT_TRUE(processor.pumpEveryStep);
    // Both open beside the main window, clear of its menu bar.
    for (QWidget* shown : {static_cast<QWidget*>(&form), static_cast<QWidget*>(&videoForm)}) {
        EXPECT_GT(shown->frameGeometry().left(), window->frameGeometry().right()) << shown->windowTitle().toStdString();
    }
    // Tracing to file names the file's whole path in the log.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    form.cbTraceFile->click();
    form.cbTraceFile->click();
    std::filesystem::current_path(previous);
    EXPECT_TRUE(window->Memo->toPlainText().contains(
        QString::fromStdString("Tracing to " + (folder / TPCZ80Form::traceFileName).string())));
    videoForm.close();
    EXPECT_TRUE(processor.pumpEveryStep);

    QTimer::singleShot(50, [&form] { form.btnStepZ80->click(); });
    window->menuPause->trigger();
    EXPECT_TRUE(currentMachine->IsStopped());
    EXPECT_TRUE(window->menuPause->isChecked());
    form.close();
    EXPECT_FALSE(processor.pumpEveryStep);
}

}  // namespace
