// The view size and the window's place survive a restart through quib.ini.

#include <gtest/gtest.h>

#include <QTest>

#include "host/ini_settings.h"
#include "ui/desktop_window.h"
#include "ui/window_settings.h"

namespace {

using WindowSettingsTest = DesktopTest;

TEST_F(WindowSettingsTest, TheViewSizeAndThePlaceAreKeptForTheNextStart) {
    Start();
    EXPECT_TRUE(window->menuSize1_1->isChecked());
    window->menuSize1_2->trigger();
    window->move(40, 30);
    QApplication::processEvents();
    const QSize size = window->size();
    window->close();

    Start();
    EXPECT_TRUE(window->menuSize1_2->isChecked());
    EXPECT_EQ(window->size(), size);
    EXPECT_EQ(window->pos(), QPoint(40, 30));
}

TEST_F(WindowSettingsTest, KeptValuesOutOfRangeOrOffEveryScreenAreIgnored) {
    const struct {
        QVariant scale;
        QVariant place;
        int expectedScale;
    } cases[] = {
        {9, QPoint(-5000, 20), 1},
        {"three", QPoint(20, 100000), 1},
        {0, QVariant(), 1},
        {4, QPoint(10, 10), 4},
    };
    for (const auto& test : cases) {
        {
            TIniSettings settings(folder);
            settings.setValue("Window/Scale", test.scale);
            settings.setValue("Window/Place", test.place);
        }
        EXPECT_EQ(TWindowSettings(folder).Scale(), test.expectedScale) << test.scale.toString().toStdString();
        Start();
        EXPECT_EQ(window->size().width(), TMainWindow::ScreenAreaSize(test.expectedScale).width());
        EXPECT_GT(window->pos().y(), -100);
        EXPECT_LT(window->pos().y(), 10000);
        desktop.reset();
    }
}

}  // namespace
