#include "ui/profiler_form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/headless.h"

namespace {

// The profiler's test program, run for some frames with the profiler started
// from the window: the table and the graph show the core's figures.
TEST(ProfilerFormTest, ShowsTheProfileAndTheFrameLoadGraphAndSavesTheCSV) {
    THeadlessOptions options;
    options.configuration = QUIB_DEFAULT_CONFIGURATION;
    options.cartridge1 = QUIB_PROFILE_PROGRAM;
    std::ostringstream log;
    THeadlessRunner runner(options, log);
    TDebugger& debugger = runner.GetMachine().GetDebugger();
    ASSERT_TRUE(debugger.symbols.Load(QUIB_PROFILE_SYMBOLS).opened);
    TProfilerForm form(runner.GetMachine(), nullptr);
    form.resize(640, 560);
    form.show();
    EXPECT_EQ(form.btnStartStop->text(), "Start");

    // Past the BIOS's start, into the program's frame loop.
    const int index = debugger.AddBreakpoint({debugger.symbols.Find("frame_loop").value()});
    for (int frame = 0; frame < 1000 && !runner.StoppedByDebugger(); ++frame) runner.RunFrame();
    ASSERT_TRUE(runner.StoppedByDebugger());
    debugger.RemoveBreakpoint(index);
    debugger.Resume();
    runner.GetMachine().GetPCZ80()->Start();
    QTest::mouseClick(form.btnStartStop, Qt::LeftButton);
    EXPECT_EQ(form.btnStartStop->text(), "Stop");
    for (int frame = 0; frame < 60; ++frame) runner.RunFrame();
    QTest::mouseClick(form.btnStartStop, Qt::LeftButton);
    EXPECT_EQ(form.btnStartStop->text(), "Start");

    // The program halts in frame_loop, 2881 cycles after each interrupt.
    const std::vector<TProfileRow> rows = debugger.profiler.Rows(debugger.symbols);
    ASSERT_EQ(form.gridProfile->rowCount(), static_cast<int>(rows.size()));
    ASSERT_GT(rows.size(), 1u);
    for (int column = 0; column < TProfilerForm::columnCount; ++column) {
        ASSERT_NE(form.gridProfile->item(0, column), nullptr);
    }
    EXPECT_EQ(form.gridProfile->item(0, TProfilerForm::columnSymbol)->text().toStdString(), rows[0].symbol);
    EXPECT_EQ(form.gridProfile->item(0, TProfilerForm::columnCycles)->text().toULongLong(), rows[0].cycles);
    const double load = 100.0 * 2881 / static_cast<double>(runner.GetMachine().GetVDP()->FrameCycles());
    EXPECT_NEAR(form.graphLoad->Peak(), load, 1e-9);
    EXPECT_TRUE(form.lblStatus->text().startsWith("Frame load over ")) << form.lblStatus->text().toStdString();

    const std::filesystem::path folder = QUIB_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(form.grab().save(QString::fromStdString((folder / "profiler_form.png").string())));
    const std::filesystem::path csv = folder / "profiler_form.csv";
    ASSERT_TRUE(form.SaveTo(QString::fromStdString(csv.string())));
    std::ifstream file(csv);
    std::string header;
    std::getline(file, header);
    EXPECT_EQ(header, "symbol,address,slot,cycles,instructions,share");
    EXPECT_FALSE(form.SaveTo("/nonexistent-folder/profile.csv"));
    EXPECT_EQ(form.lblStatus->text(), "Cannot write /nonexistent-folder/profile.csv");

    QTest::mouseClick(form.btnReset, Qt::LeftButton);
    EXPECT_EQ(form.gridProfile->rowCount(), 0);
    EXPECT_EQ(form.lblStatus->text(), "No frame measured");
}

}  // namespace
