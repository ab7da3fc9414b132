// TfrmMain: the Tools and Help commands — pack import, options, the log viewer, the manual,
// the vendor's pages and the About box.
#include "base/SafeFile.h"
#include "ui/AboutDialog.h"
#include "ui/ImportDialog.h"
#include "ui/LogViewer.h"
#include "ui/MainWindow.h"
#include "ui/OptionsDialog.h"
#include "ui/PlatformServices.h"

#include <QApplication>
#include <QStackedWidget>

namespace lumetta::ui {

TDialogContext TfrmMain::DialogContext() {
    TDialogContext context;
    context.parent = this;
    context.services = services_;
    context.runCommand = [this](const std::function<void()>& command) { RunCommand(command); };
    context.showError = [this](const std::exception& error) { ShowError(error); };
    context.exeDir = exeDir_;
    context.userDir = paths_.UserDir;
    context.leftPanelBitmap = &LeftPanelBitmap();
    context.welcome = ImageBG;
    return context;
}

void TfrmMain::actClearLogsExecute() {
    if (services_->ShowMessage(this, QApplication::applicationName(),
                               QStringLiteral("Are you sure you want to clean logs?"),
                               MessageIcon::Question, MessageButtons::YesNo) == MessageResult::Yes)
        logFile_.Clear();
}

void TfrmMain::actAddObjectExecute() {
    // The imported objects are read at the next start: the user agreed to end the program now,
    // the normal way (settings, with the new pack version, are written by the exit sequence).
    if (RunImportDialog(DialogContext())) close();
}

void TfrmMain::actStandardOptionExecute() {
    // The dialog previews on the welcome page.
    PageListMain->setCurrentIndex(plWelcome);
    TfrmOption dialog(DialogContext());
    dialog.exec();
}

void TfrmMain::actShowLogsExecute() {
    TFoLog viewer(DialogContext(), logFile_.Records());
    viewer.exec();
}

void TfrmMain::actHelpManualExecute() {
    // The compiled help file when one is installed; otherwise the HTML manual shipped beside the
    // program, since desktops here have no viewer for the compiled format.
    const std::string chm = exeDir_ + "help.chm";
    const std::string html = exeDir_ + "manual.html";
    OpenWithDesktop(*services_, this, QString::fromStdString(FileExists(chm) ? chm : html));
}

void TfrmMain::actHomePageExecute() {
    OpenWithDesktop(*services_, this, HomePageUrl());
}

void TfrmMain::CheckUpdate1Click() {
    OpenWithDesktop(*services_, this, HomePageUrl());
}

void TfrmMain::actDownloadObjectExecute() {
    OpenWithDesktop(*services_, this, DownloadPageUrl(settings_.PspVer));
}

void TfrmMain::actAboutSoftExecute() {
    TfrmAbout dialog(DialogContext());
    dialog.exec();
}

} // namespace lumetta::ui
