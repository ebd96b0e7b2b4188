#include "ui/debugger_form.h"

#include <QPlainTextEdit>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>

#include "support/test_host.h"
#include "ui/memory_view_form.h"

namespace {

using R = TZ80Registers;

// A RAM machine running a small program from 0000h: LD A,42h; CALL 0010h; JR $;
// and at 0010h: LD (C000h),A; RET.
struct DebuggerFormTest : ::testing::Test {
    DebuggerFormTest() {
        FillSlot(configuration, 0, 0, TConfiguration::pageRAM);
        machine.Build(configuration);
        processor().Reset();
        const std::uint8_t program[] = {0x3E, 0x42, 0xCD, 0x10, 0x00, 0x18, 0xFE};
        const std::uint8_t routine[] = {0x32, 0x00, 0xC0, 0xC9};
        for (std::uint16_t at = 0; at < sizeof program; ++at) machine.GetMemorySelector()->Write(at, program[at]);
        for (std::uint16_t at = 0; at < sizeof routine; ++at) machine.GetMemorySelector()->Write(0x10 + at, routine[at]);
        // As the main window opens it.
        form.MachineStopped();
    }
    TPCZ80& processor() { return *machine.GetPCZ80(); }
    void Add(int kind, const char* text) {
        form.comboKind->setCurrentIndex(kind);
        form.editPoint->setText(text);
        form.btnAdd->click();
    }
    QStringList Texts(QListWidget* list) {
        QStringList texts;
        for (int row = 0; row < list->count(); ++row) texts << list->item(row)->text();
        return texts;
    }

    TTestHost host;
    TPCMSX machine{host.Services()};
    TConfiguration configuration;
    // The main window's Pause, as it tells the form.
    TDebuggerForm form{machine, [this] {
                           form.MachineRunning();
                           machine.Run();
                           form.MachineStopped();
                       },
                       nullptr};
};

TEST_F(DebuggerFormTest, ListStopsRegisterEditsAndSteps) {
    Add(0, "0010");
    Add(1, "C000-C0FF=99");
    Add(5, "98");
    Add(0, "nowhere");
    EXPECT_EQ(Texts(form.listPoints), QStringList({"Break 0010h", "Write C000h-C0FFh = 99h", "Port read 98h"}));
    EXPECT_TRUE(form.lblStatus->text().contains("nowhere"));
    form.listPoints->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(machine.GetDebugger().GetWatchpoints()[1].enabled);

    // Run stops at the breakpoint, and the disassembly shows where.
    form.btnRun->click();
    EXPECT_EQ(processor().registers.Get(R::PC), 0x0010);
    EXPECT_EQ(form.lblStatus->text(), "Stopped: breakpoint 1 at 0010h");
    const QStringList lines = Texts(form.listDisassembly).filter(QRegularExpression("^>\\* 0010  32 00 C0 +LD   \\(C000\\),A$"));
    EXPECT_EQ(lines.size(), 1) << Texts(form.listDisassembly).join("\n").toStdString();
    EXPECT_EQ(form.editRegisters[0]->text().left(2), "42");
    EXPECT_TRUE(form.btnStepInto->isEnabled());

    // An edited A is what the next instruction stores, and the watchpoint on its value stops it.
    form.editRegisters[0]->setText("9900");
    emit form.editRegisters[0]->editingFinished();
    form.cbFlags[7]->click();  // C
    EXPECT_EQ(processor().registers.Get(R::AF), 0x9901);
    form.btnStepInto->click();
    EXPECT_EQ(machine.GetDebugger().Peek(0xC000), 0x99);
    EXPECT_EQ(form.editRegisters[6]->text(), "0013");

    form.btnStepOut->click();
    EXPECT_EQ(processor().registers.Get(R::PC), 0x0005);
    EXPECT_EQ(form.lblStatus->text(), "Stopped: returned to 0005h");

    // Run to cursor, and a breakpoint toggled off at the cursor.
    ASSERT_TRUE(form.GoTo("0000"));
    form.listDisassembly->setCurrentRow(1);  // CALL 0010h
    EXPECT_EQ(form.CursorAddress(), 0x0002);
    processor().registers.Set(R::PC, 0x0000);
    form.btnRunToCursor->click();
    EXPECT_EQ(processor().registers.Get(R::PC), 0x0002);
    form.btnStepOver->click();
    EXPECT_EQ(form.lblStatus->text(), "Stopped: breakpoint 1 at 0010h") << "a breakpoint on the way ends a Step Over";
    form.listPoints->setCurrentRow(0);
    form.btnRemove->click();
    EXPECT_EQ(Texts(form.listPoints), QStringList({"Write C000h-C0FFh = 99h", "Port read 98h"}));
}

TEST_F(DebuggerFormTest, MemoryViewShowsFollowsAndWritesTheProcessorsViewOrASlots) {
    machine.GetDebugger().symbols.Add("routine", 0x0010);
    TMemoryViewForm view(machine, nullptr);
    view.ShowMemory();
    const auto line = [&view](int number) { return view.memoMemory->document()->findBlockByNumber(number).text(); };
    EXPECT_EQ(line(1), "0010  32 00 C0 C9 00 00 00 00  00 00 00 00 00 00 00 00  2...............");
    ASSERT_TRUE(view.GoTo("routine"));
    EXPECT_EQ(view.memoMemory->textCursor().block().blockNumber(), 1);
    EXPECT_FALSE(view.GoTo("nowhere"));

    view.editWrite->setText("C000=51 55 49 42");
    view.btnWrite->click();
    EXPECT_EQ(line(0xC00), "C000  51 55 49 42 00 00 00 00  00 00 00 00 00 00 00 00  QUIB............");
    view.editWrite->setText("C000=100");
    view.btnWrite->click();
    EXPECT_EQ(machine.GetDebugger().Peek(0xC000), 0x51) << "a byte above FFh writes nothing";

    // Slot 1-0 holds no memory: its banks read FFh, whatever the processor sees.
    view.comboSource->setCurrentIndex(1 + 4 * 1);
    EXPECT_EQ(line(0).mid(6, 5), "FF FF");
    view.comboSource->setCurrentIndex(1);
    EXPECT_EQ(line(0).mid(6, 5), "3E 42");
}

}  // namespace
