#pragma once

#include <QWidget>

// An empty window titled "Keyboard info", made at start-up and never shown.
class TPCKeyboardForm : public QWidget {
public:
    explicit TPCKeyboardForm(QWidget* parent = nullptr) : QWidget(parent, Qt::Window) {
        setWindowTitle("Keyboard info");
    }
};
