#pragma once

// Answers the modal windows an editor opens, from inside their own loops, and
// the small helpers the editors' tests share.

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <vector>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// Runs the action once a modal window of type T is open and in front.
template <typename T> void WhenModalOpens(std::function<void(T&)> action) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        action(*modal);
    });
    poll->start(5);
}

// Answers the next message boxes in order with the given buttons and keeps
// "caption|text" of each; boxes beyond the list are left for the test to fail on.
class TBoxAnswers {
public:
    explicit TBoxAnswers(std::vector<QMessageBox::StandardButton> answers) : state(std::make_shared<State>()) {
        state->answers = std::move(answers);
        // The poll ends with this object: answers left over go to no later box.
        QObject::connect(&state->poll, &QTimer::timeout, [weak = std::weak_ptr<State>(state)] {
            const std::shared_ptr<State> shared = weak.lock();
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!shared || !box || !box->isVisible() || shared->next == shared->answers.size()) return;
            shared->asked.push_back(box->windowTitle() + "|" + box->text());
            box->button(shared->answers[shared->next++])->click();
        });
        state->poll.start(5);
    }
    const QStringList& Asked() const { return state->asked; }

private:
    struct State {
        QTimer poll;
        std::vector<QMessageBox::StandardButton> answers;
        std::size_t next = 0;
        QStringList asked;
    };
    std::shared_ptr<State> state;
};

// Answers the next file dialog with the path and keeps its filter and folder.
struct TFileAnswer {
    explicit TFileAnswer(const std::filesystem::path& path) {
        WhenModalOpens<QFileDialog>([this, path](QFileDialog& dialog) {
            filter = dialog.nameFilters().join(";");
            folder = std::filesystem::weakly_canonical(dialog.directory().absolutePath().toStdString());
            dialog.selectFile(QString::fromStdString(path.string()));
            static_cast<QDialog&>(dialog).accept();  // as the dialog's own button does
        });
    }
    QString filter;
    std::filesystem::path folder;
};

// A fresh folder like the executable's, with a Configurations folder of its own.
inline std::filesystem::path EditorFolder(const std::string& name) {
    const std::filesystem::path folder = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "editors" / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "Configurations");
    return folder;
}

// The same, with the Configurations folder the build made: a machine can start there.
inline std::filesystem::path MachineFolder(const std::string& name) {
    const std::filesystem::path folder = EditorFolder(name);
    std::filesystem::remove(folder / "Configurations");
    std::filesystem::create_directory_symlink(std::filesystem::path(QUIB_DEFAULT_CONFIGURATION).parent_path(),
                                              folder / "Configurations");
    return folder;
}

// What the user does with a list: picks an item.
inline void Choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

inline std::vector<char> FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}
