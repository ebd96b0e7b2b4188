#pragma once

#include <QComboBox>
#include <QLayout>
#include <QStringList>
#include <QWidget>

// Small builders the configuration and preferences editors lay their tabs out with.

inline QComboBox* NewList(const QStringList& items) {
    auto* list = new QComboBox;
    list->addItems(items);
    return list;
}

inline QWidget* Tab(QLayout* layout) {
    auto* tab = new QWidget;
    tab->setLayout(layout);
    return tab;
}
