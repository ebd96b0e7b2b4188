#include "ui/configuration_editor.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <fstream>

#include "host/video_frequency_settings.h"

#include "memory/memory_bank.h"
#include "ui/desktop_window.h"
#include "ui/main_window.h"
#include "ui/modal_answers.h"

namespace {

struct ConfigurationEditorTest : ::testing::Test {
    void SetUp() override {
        folder = EditorFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        editor = std::make_unique<TConfigurationEditor>(folder);
        editor->SetConfiguration(configuration);
        editor->show();
    }
    std::filesystem::path folder;
    TConfiguration configuration;
    std::unique_ptr<TConfigurationEditor> editor;
};

TEST_F(ConfigurationEditorTest, ControlsBuildTheSameFileAsTheFields) {
    TConfiguration expected;
    expected.msxType = 2;
    expected.description = "Two slots";
    expected.cpu = 1;
    expected.vdp = 2;
    expected.vram = 1;
    expected.expanded[3] = 1;
    expected.pageType[3][2][0] = TConfiguration::pageROM;
    expected.romFile[3][2][0] = "basic.rom";
    expected.pageType[3][2][1] = TConfiguration::pageRAM;
    for (std::uint8_t& page : expected.pageType[3][1]) page = TConfiguration::pageMemoryMapper;
    expected.mapperSize[3][1] = 3;
    for (std::uint8_t& page : expected.pageType[1][0]) page = TConfiguration::pageCartridgeSlot;
    ASSERT_TRUE(expected.Save(folder / "expected.qcf"));
    std::ofstream(folder / "Configurations" / "basic.rom") << std::string(16384, 'R');

    EXPECT_EQ(editor->pages->tabText(editor->pages->currentIndex()), "Memory Layout");
    Choose(editor->listMSXType, 2);
    editor->editDescription->clear();
    QTest::keyClicks(editor->editDescription, "Two slots");
    Choose(editor->listCPU, 1);
    Choose(editor->listVDP, 2);
    Choose(editor->listVRAM, 1);
    Choose(editor->listFrequency, 2);
    editor->spinPrimary->stepDown();  // wraps from 0 to 3
    QTest::mouseClick(editor->cbIsExpanded, Qt::LeftButton);
    EXPECT_EQ(editor->listPageType[0]->currentText(), "Expanded");
    EXPECT_FALSE(editor->listPageType[0]->isEnabled());
    Choose(editor->listPrimarySecondary, TConfigurationEditor::secondaryView);
    EXPECT_FALSE(editor->spinPrimary->isEnabled());
    EXPECT_FALSE(editor->cbIsExpanded->isVisible());
    editor->spinSecondary->setValue(2);
    Choose(editor->listPageType[0], TConfiguration::pageROM);
    ASSERT_TRUE(editor->btnPageFile[0]->isVisible());
    EXPECT_FALSE(editor->btnPageFile[1]->isVisible());
    {
        TFileAnswer file(folder / "Configurations" / "basic.rom");
        editor->btnPageFile[0]->click();
        EXPECT_EQ(file.filter, "MSX ROM files (*.rom)");
        EXPECT_EQ(file.folder, std::filesystem::weakly_canonical(folder / "Configurations"));
    }
    Choose(editor->listPageType[1], TConfiguration::pageRAM);
    editor->spinSecondary->setValue(1);
    {
        TBoxAnswers answers({QMessageBox::Ok});
        Choose(editor->listPageType[2], TConfiguration::pageMemoryMapper);
    }
    ASSERT_TRUE(editor->listMapper->isVisible());
    Choose(editor->listMapper, 3);
    Choose(editor->listPrimarySecondary, TConfigurationEditor::primaryView);
    editor->spinPrimary->setValue(1);
    {
        TBoxAnswers answers({QMessageBox::Ok});
        Choose(editor->listPageType[3], TConfiguration::pageCartridgeSlot);
    }
    EXPECT_TRUE(editor->modified);
    EXPECT_TRUE(editor->needsReboot);

    const std::filesystem::path saved = folder / "Configurations" / "built.qcf";
    TFileAnswer file(saved);
    editor->btnSave->click();
    EXPECT_EQ(file.filter, "QUIB! Configuration files (*.qcf)");
    EXPECT_EQ(FileBytes(saved), FileBytes(folder / "expected.qcf")) << "the frequency is kept in quib.ini";
    EXPECT_EQ(TVideoFrequencySettings(folder).Read(saved), TVideoFrequency::hertz60);
    EXPECT_FALSE(editor->modified);
    EXPECT_EQ(editor->windowTitle(), "Configuration Editor - built.qcf");
}

TEST_F(ConfigurationEditorTest, PageTypeChangesKeepTheSlotWholeWhenConfirmed) {
    const QString toMapper = "Warning|This will change all pages to the Memory Mapper type. Are you sure?";
    const QString toCartridge = "Warning|This will change all pages to the Cartridge Slot type. Are you sure?";
    const QString fromMapper = "Warning|This will remove the Memory Mapper type for all pages. Are you sure?";
    const QString fromCartridge = "Warning|This will remove the Cartridge Slot type for all pages. Are you sure?";
    struct TCase {
        std::vector<int> before;
        int page;
        int chosen;
        QMessageBox::StandardButton answer;
        QStringList asked;
        std::vector<int> after;
    };
    const TCase cases[] = {
        {{3, 3, 3, 3}, 2, 2, QMessageBox::Ok, {fromMapper}, {0, 0, 2, 0}},
        {{3, 3, 3, 3}, 2, 2, QMessageBox::Cancel, {fromMapper}, {3, 3, 3, 3}},
        {{2, 1, 0, 0}, 1, 3, QMessageBox::Ok, {toMapper}, {3, 3, 3, 3}},
        {{2, 1, 0, 0}, 1, 3, QMessageBox::Cancel, {toMapper}, {2, 1, 0, 0}},
        {{4, 4, 4, 4}, 0, 1, QMessageBox::Ok, {fromCartridge}, {1, 0, 0, 0}},
        {{2, 1, 0, 0}, 3, 4, QMessageBox::Ok, {toCartridge}, {4, 4, 4, 4}},
        {{3, 3, 3, 3}, 0, 3, QMessageBox::Ok, {}, {3, 3, 3, 3}},
        {{2, 1, 0, 0}, 3, 2, QMessageBox::Ok, {}, {2, 1, 0, 2}},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(testing::Message() << "page " << test.page << " to " << test.chosen << " answer " << test.answer);
        for (int page = 0; page < 4; ++page) configuration.pageType[2][0][page] = static_cast<std::uint8_t>(test.before[page]);
        editor->modified = editor->needsReboot = false;
        editor->spinPrimary->setValue(2);
        TBoxAnswers answers({test.answer});
        Choose(editor->listPageType[test.page], test.chosen);
        EXPECT_EQ(answers.Asked(), test.asked);
        EXPECT_EQ(std::vector<int>(std::begin(configuration.pageType[2][0]), std::end(configuration.pageType[2][0])),
                  test.after);
        EXPECT_EQ(editor->modified, test.after != test.before);
        EXPECT_EQ(editor->listPageType[test.page]->currentIndex(), test.after[test.page]);
        EXPECT_EQ(editor->listMapper->isVisible(), test.after[0] == 3);
        editor->spinPrimary->setValue(0);
    }
}

TEST_F(ConfigurationEditorTest, ASaveThatFailsWarnsAndKeepsTheChanges) {
    QTest::keyClicks(editor->editDescription, "!");
    EXPECT_EQ(configuration.description, "New configuration!");
    const std::filesystem::path target = folder / "Configurations" / "lost.qcf";
    std::filesystem::create_directory(folder / "Configurations" / "lost.qcf.tmp");  // the save cannot write
    const QString path = QString::fromStdString(target.string());
    {
        // Only the description changed: closing asks to save but not to reboot.
        TBoxAnswers answers({QMessageBox::Yes, QMessageBox::Ok});
        TFileAnswer file(target);
        editor->btnClose->click();
        EXPECT_EQ(answers.Asked(), (QStringList{"Configuration changed|Save configuration changes?",
                                                "Warning|The configuration file " + path + " could not be written."}));
    }
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(editor->modified);
    EXPECT_FALSE(std::filesystem::exists(target));

    // Answering No keeps the edits in memory without saving them.
    editor->show();
    TBoxAnswers answers({QMessageBox::No});
    editor->btnClose->click();
    EXPECT_EQ(answers.Asked().size(), 1);
    EXPECT_FALSE(editor->modified);
    EXPECT_EQ(configuration.description, "New configuration!");
}

// The real machine: closing after a change of the layout rebuilds it.
TEST_F(ConfigurationEditorTest, ASystemROMFromElsewhereIsCopiedInAndABadOneOrADamagedFileIsRefused) {
    const std::filesystem::path outside = folder / "outside";
    std::filesystem::create_directory(outside);
    std::ofstream(outside / "bios.rom") << std::string(16384, 'B');
    std::ofstream(outside / "short.rom") << "ROM";
    Choose(editor->listPageType[0], TConfiguration::pageROM);
    struct TCase {
        const char* file;
        std::vector<QMessageBox::StandardButton> answers;
        const char* asked;  // the start of the one box, or nothing
        std::string stored;
        char inFolder;  // the byte the Configurations folder's bios.rom holds afterwards
    };
    const TCase cases[] = {
        {"short.rom", {QMessageBox::Ok}, "Warning|The system ROM ", "", 0},
        {"bios.rom", {}, nullptr, "bios.rom", 'B'},
        {"bios.rom", {}, nullptr, "bios.rom", 'B'},  // the same file is not asked about
        {"bios.rom", {QMessageBox::No}, "Warning|A different file named bios.rom", "", 'C'},
        {"bios.rom", {QMessageBox::Yes}, "Warning|A different file named bios.rom", "bios.rom", 'B'},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.asked ? test.asked : test.file);
        configuration.romFile[0][0][0].clear();
        if (test.inFolder == 'C') std::ofstream(folder / "Configurations" / "bios.rom") << std::string(16384, 'C');
        TBoxAnswers boxes(test.answers);
        TFileAnswer file(outside / test.file);
        editor->btnPageFile[0]->click();
        EXPECT_EQ(boxes.Asked().size(), test.asked ? 1u : 0u);
        if (test.asked) {
            EXPECT_TRUE(boxes.Asked().value(0).startsWith(test.asked)) << boxes.Asked().value(0).toStdString();
        }
        EXPECT_EQ(configuration.romFile[0][0][0], test.stored);
        if (test.inFolder) {
            EXPECT_EQ(FileBytes(folder / "Configurations" / "bios.rom").at(0), test.inFolder);
        }
    }

    // Load refuses a damaged file and keeps what is shown.
    std::ofstream(folder / "Configurations" / "cut.qcf") << "QCF00cut";
    configuration.description = "Shown";
    TBoxAnswers boxes({QMessageBox::Ok});
    TFileAnswer file(folder / "Configurations" / "cut.qcf");
    editor->btnLoad->click();
    ASSERT_EQ(boxes.Asked().size(), 1);
    EXPECT_TRUE(boxes.Asked()[0].contains("is damaged (it is too short (8 of 3343 bytes)) and was not loaded."));
    EXPECT_EQ(configuration.description, "Shown");
}

using ConfigurationEditorReboot = DesktopTest;

TEST_F(ConfigurationEditorReboot, ClosingAfterChangesRebootsFromTheNewConfiguration) {
    Start();
    ASSERT_NE(currentMachine, nullptr);
    ASSERT_EQ(window->configuration.pageType[0][0][3], TConfiguration::pageEmpty);

    // No to the reboot lets the window close and leaves the machine as it was built; Yes rebuilds it.
    const QString reboot = "Configuration changed|To apply the configuration changes the MSX needs a reboot.\nReboot Now?"
                           "\n\nNo leaves the changes unapplied until the next start.";
    for (const auto& [page, rebootAnswer] : {std::pair{3, QMessageBox::No}, std::pair{2, QMessageBox::Yes}}) {
        QStringList asked;
        bool closed = false;
        WhenModalOpens<TConfigurationEditor>([&, page = page, rebootAnswer = rebootAnswer](TConfigurationEditor& editor) {
            Choose(editor.listPageType[page], TConfiguration::pageRAM);
            TBoxAnswers answers({QMessageBox::No, rebootAnswer});
            editor.btnClose->click();
            closed = !editor.isVisible();
            asked = answers.Asked();
        });
        window->menuConfiguration->trigger();
        EXPECT_EQ(asked, (QStringList{"Configuration changed|Save configuration changes?", reboot}));
        EXPECT_TRUE(closed);
        const bool rebuilt = rebootAnswer == QMessageBox::Yes;
        EXPECT_EQ(dynamic_cast<TRAMBank*>(currentMachine->GetMemorySelector()->GetBank(0, 0, 3)) != nullptr, rebuilt);
        EXPECT_EQ(window->configuration.pageType[0][0][page], TConfiguration::pageRAM);
    }
}

}  // namespace
