// TfrmMain: the Tools and Help commands — pack import, options, the log viewer, the manual,
// the vendor's pages and the About box.
#include "base/SafeFile.h"
#include "ui/AboutDialog.h"
#include "ui/ImportDialog.h"
#include "ui/LogViewer.h"
#include "ui/MainWindow.h"
#include "ui/OptionsDialog.h"
#include "ui/PlatformServices.h"

#include <QStackedWidget>

namespace lumetta::ui {

void TfrmMain::actAddObjectExecute() {
    RunImportDialog(*this);
}

void TfrmMain::actStandardOptionExecute() {
    // The dialog previews on the welcome page.
    PageListMain->setCurrentIndex(plWelcome);
    TfrmOption dialog(*this);
    dialog.exec();
}

void TfrmMain::actShowLogsExecute() {
    TFoLog viewer(*this, LogFileMain.Records());
    viewer.exec();
}

void TfrmMain::actHelpManualExecute() {
    // The compiled help file when one is installed; otherwise the HTML manual shipped beside the
    // program, since desktops here have no viewer for the compiled format.
    const std::string chm = ExeDir + "help.chm";
    const std::string html = ExeDir + "manual.html";
    services_->OpenUrl(QString::fromStdString(FileExists(chm) ? chm : html));
}

void TfrmMain::actHomePageExecute() {
    services_->OpenUrl(HomePageUrl());
}

void TfrmMain::CheckUpdate1Click() {
    services_->OpenUrl(HomePageUrl());
}

void TfrmMain::actDownloadObjectExecute() {
    services_->OpenUrl(DownloadPageUrl(settings_.PspVer));
}

void TfrmMain::actAboutSoftExecute() {
    TfrmAbout dialog(*this);
    dialog.exec();
}

} // namespace lumetta::ui
