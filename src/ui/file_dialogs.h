#pragma once

#include <QFileDialog>
#include <QString>

class QWidget;

// The editors' file dialogs. Qt's own dialog is used on every platform, so the
// filters and starting folders behave alike and the dialogs can be answered in
// tests. Each returns the chosen path, or an empty text when cancelled.

// mode is QFileDialog::ExistingFile when the file must exist, AnyFile when a new
// name may be typed. An empty folder starts in the working folder.
QString ChooseOpenFile(QWidget* parent, const QString& filter, const QString& folder,
                       QFileDialog::FileMode mode = QFileDialog::ExistingFile);
QString ChooseSaveFile(QWidget* parent, const QString& filter, const QString& folder, const QString& fileName);
