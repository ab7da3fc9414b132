#pragma once
// The main window at a fixed size in a fresh program folder, answering dialogs from a script,
// with the edit page's panels at hand: the start of every edit-page test.
#include "guisupport/ScriptedPlatformServices.h"
#include "support/TestSupport.h"
#include "ui/EditPanels.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

namespace lumetta::test {

class EditPageFixture : public ::testing::Test {
protected:
    TempDir dir;
    ui::ScriptedPlatformServices services;
    std::unique_ptr<ui::TfrmMain> window;
    ui::TEditPanels* panel = nullptr;

    void SetUp() override {
        ui::MainWindowOptions options;
        options.exeDir = dir.Path().string();
        options.services = &services;
        window = std::make_unique<ui::TfrmMain>(options);
        window->resize(700, 500);
        window->show();
        QApplication::processEvents();
        panel = window->EditPanels();
        ASSERT_NE(panel, nullptr);
    }
};

} // namespace lumetta::test
