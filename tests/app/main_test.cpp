// quib itself, started offscreen as a user starts it: where it keeps its settings.

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <filesystem>
#include <functional>

#include "ui/modal_answers.h"

namespace {

namespace fs = std::filesystem;

// Starts a copy of quib in the folder with HOME in it, until the condition holds or
// the time passes; whether it held.
bool StartCopy(const fs::path& folder, const std::function<bool()>& started, int milliseconds) {
    fs::copy_file(QUIB_EXECUTABLE, folder / "quib", fs::copy_options::overwrite_existing);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString((folder / "home").string()));
    environment.remove("XDG_CONFIG_HOME");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("SDL_AUDIODRIVER", "dummy");
    QProcess quib;
    quib.setProcessEnvironment(environment);
    quib.start(QString::fromStdString((folder / "quib").string()), {});
    const bool held = quib.waitForStarted() && QTest::qWaitFor(started, milliseconds);
    quib.terminate();
    quib.waitForFinished();
    return held;
}

TEST(QuibTest, TheSettingsStayBesideACopyThatHasThemElseGoToTheHomeFolder) {
    const fs::path bare = EditorFolder("QuibBare");
    fs::remove_all(bare / "Configurations");
    fs::create_directories(bare / "home");
    const fs::path home = bare / "home" / ".config" / "quib";
    EXPECT_TRUE(StartCopy(bare, [&] { return fs::exists(home / "Configurations" / "MSX1.qcf"); }, 10000));
    EXPECT_FALSE(fs::exists(bare / "Configurations"));

    const fs::path portable = MachineFolder("QuibPortable");
    fs::create_directories(portable / "home");
    EXPECT_FALSE(StartCopy(portable, [&] { return fs::exists(portable / "home" / ".config"); }, 2000));
}

}  // namespace
