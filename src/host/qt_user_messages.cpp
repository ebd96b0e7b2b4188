#include "host/qt_user_messages.h"

#include <QMessageBox>

void TQtUserMessages::ShowMessage(const std::string& text, const std::string& caption) {
    if (beforeBox) beforeBox();
    QMessageBox::warning(parent, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
}

bool TQtUserMessages::AskYesNo(const std::string& text, const std::string& caption) {
    if (beforeBox) beforeBox();
    return QMessageBox::question(parent, QString::fromStdString(caption), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}
