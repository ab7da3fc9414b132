// Entry point of the GUI tests: a QApplication under the offscreen platform (unless a display
// was asked for explicitly), Qt text rendering installed for the core, then GoogleTest.
#include "ui/QtTextRasterizer.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lumetta");
    lumetta::ui::QtTextRasterizer rasterizer;
    lumetta::SetTextRasterizer(&rasterizer);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    lumetta::SetTextRasterizer(nullptr);
    return result;
}
