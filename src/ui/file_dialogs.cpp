#include "ui/file_dialogs.h"

namespace {

QString Run(QFileDialog& dialog, const QString& filter, const QString& folder, const QString& fileName = {}) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(filter);
    if (!folder.isEmpty()) dialog.setDirectory(folder);
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

}  // namespace

QString ChooseOpenFile(QWidget* parent, const QString& filter, const QString& folder, QFileDialog::FileMode mode) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(mode);
    return Run(dialog, filter, folder);
}

QString ChooseSaveFile(QWidget* parent, const QString& filter, const QString& folder, const QString& fileName) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    return Run(dialog, filter, folder, fileName);
}
