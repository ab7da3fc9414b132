#pragma once
// What the main window hands its modal dialogs: the few things they use, never the window
// itself.
#include "imaging/Bitmap32.h"

#include <exception>
#include <functional>
#include <string>

class QWidget;

namespace lumetta::ui {

class PlatformServices;
class WelcomeView;

struct TDialogContext {
    QWidget* parent = nullptr;
    PlatformServices* services = nullptr;
    // Runs a command of the dialog inside the program's error guard.
    std::function<void(const std::function<void()>&)> runCommand;
    // The program's standard error box.
    std::function<void(const std::exception&)> showError;
    // The program's folder, ending in "/".
    std::string exeDir;
    // Where imported objects go, ending in "/": the program's folder while it is writable, else
    // the user's data folder (see tools/AppPaths.h).
    std::string userDir;
    // The banner at the left of the Options and About dialogs.
    const TBitmap32* leftPanelBitmap = nullptr;
    // The welcome page, which the options dialog previews on.
    WelcomeView* welcome = nullptr;

    PlatformServices& Services() const { return *services; }
    void Run(const std::function<void()>& command) const {
        if (runCommand) {
            runCommand(command);
        } else {
            command();
        }
    }
};

} // namespace lumetta::ui
