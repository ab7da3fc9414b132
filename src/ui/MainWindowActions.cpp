// TfrmMain: commands, menus, toolbar and the rules that enable them.
#include "ui/Artwork.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace lumetta::ui {

QAction* TfrmMain::MakeAction(const QString& caption, const QString& hint, const QString& shortcut,
                              void (TfrmMain::*handler)()) {
    auto* action = new QAction(caption, this);
    if (!hint.isEmpty()) {
        // Hints show as tool tips; a status tip would hide the three status panels.
        action->setToolTip(hint);
    }
    if (!shortcut.isEmpty()) action->setShortcut(QKeySequence(shortcut));
    if (handler) {
        connect(action, &QAction::triggered, this,
                [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
    }
    return action;
}

namespace {
// Ctrl+Alt+S is shown on four commands but belongs to Save File only: Qt would treat a key
// bound to several actions as ambiguous and run none of them, so the others only show it.
void ShowShortcutOnly(QAction* action, const QString& shortcut) {
    action->setText(action->text() + QLatin1Char('\t') + shortcut);
}
} // namespace

void TfrmMain::CreateActions() {
    // File
    actOpenFile = MakeAction("Open File", "Open File", "Ctrl+O", &TfrmMain::actOpenFileExecute);
    actSaveFile = MakeAction("Save File", "Save File", "Ctrl+Alt+S", &TfrmMain::actSaveFileExecute);
    ActClose = MakeAction("Close", "Close", "", &TfrmMain::ActCloseExecute);
    actPrintSetup = MakeAction("Print Setup", "", "", &TfrmMain::actPrintSetupExecute);
    actPrintPreview = MakeAction("Print Preview", "", "", &TfrmMain::actPrintPreviewExecute);
    actPrint = MakeAction("Print", "", "Ctrl+P", &TfrmMain::actPrintExecute);
    actExit = MakeAction("Exit", "Exit system", "Ctrl+X", &TfrmMain::actExitExecute);
    // Edit
    actUndo = MakeAction("Undo", "Undo", "Ctrl+Z", &TfrmMain::actUndoExecute);
    actRedo = MakeAction("Redo", "", "Ctrl+Y", &TfrmMain::actRedoExecute);
    actEditPhoto = MakeAction("Edit Photo", "", "Ctrl+Alt+E", nullptr);
    catAddMask = MakeAction("Add Mask", "", "Ctrl+Alt+M", nullptr);
    actAddFrame = MakeAction("Add Frame", "", "Ctrl+Alt+F", nullptr);
    actAddShadow = MakeAction("Add Shadow", "", "", nullptr);
    actAddClipArt = MakeAction("Add ClipArt", "", "Ctrl+Alt+C", nullptr);
    actAddText = MakeAction("Add Text", "Add Text", "", &TfrmMain::actAddTextExecute);
    // View
    actShowPreview =
        MakeAction("Preview Images", "Preview Images", "", &TfrmMain::actShowPreviewExecute);
    actWelcome = MakeAction("Welcome Page", "", "Ctrl+Alt+W", &TfrmMain::actWelcomeExecute);
    // Tools
    actStandardOption =
        MakeAction("Standard Option", "Standard Option", "", &TfrmMain::actStandardOptionExecute);
    actDownloadObject = MakeAction("Get More Objects", "", "", &TfrmMain::actDownloadObjectExecute);
    actAddObject = MakeAction("Import Objects", "", "", &TfrmMain::actAddObjectExecute);
    actShowLogs = MakeAction("Show Logs", "Show Logs", "", &TfrmMain::actShowLogsExecute);
    actClearLogs = MakeAction("Clear Logs", "Clear Logs", "", &TfrmMain::actClearLogsExecute);
    // Help
    actHelpManual = MakeAction("Help Manual", "Help Manual", "F1", &TfrmMain::actHelpManualExecute);
    actHomePage = MakeAction("Home Page", "Home Page", "", &TfrmMain::actHomePageExecute);
    actAboutSoft = MakeAction("About...", "About...", "", &TfrmMain::actAboutSoftExecute);
    CheckUpdate1 = MakeAction("Check Update", "Check Update", "", &TfrmMain::CheckUpdate1Click);

    // The mode commands.
    const std::pair<QAction*, int> modes[] = {{actEditPhoto, pmEditPhoto},
                                              {catAddMask, pmAddMask},
                                              {actAddFrame, pmAddFrame},
                                              {actAddShadow, pmAddShadow},
                                              {actAddClipArt, pmAddClipArt}};
    for (const auto& [action, mode] : modes) {
        const int m = mode;
        connect(action, &QAction::triggered, this,
                [this, m] { RunCommand([this, m] { SwitchMode(m); }); });
    }

    // Every command is reachable by its keys from anywhere in the window.
    for (QAction* a : findChildren<QAction*>()) {
        a->setShortcutContext(Qt::WindowShortcut);
        a->setObjectName(QString());
        addAction(a);
    }
    const std::pair<QAction*, const char*> names[] = {{actOpenFile, "actOpenFile"},
                                                      {actSaveFile, "actSaveFile"},
                                                      {ActClose, "ActClose"},
                                                      {actPrintSetup, "actPrintSetup"},
                                                      {actPrintPreview, "actPrintPreview"},
                                                      {actPrint, "actPrint"},
                                                      {actExit, "actExit"},
                                                      {actUndo, "actUndo"},
                                                      {actRedo, "actRedo"},
                                                      {actEditPhoto, "actEditPhoto"},
                                                      {catAddMask, "catAddMask"},
                                                      {actAddFrame, "actAddFrame"},
                                                      {actAddShadow, "actAddShadow"},
                                                      {actAddClipArt, "actAddClipArt"},
                                                      {actAddText, "actAddText"},
                                                      {actShowPreview, "actShowPreview"},
                                                      {actWelcome, "actWelcome"},
                                                      {actStandardOption, "actStandardOption"},
                                                      {actDownloadObject, "actDownloadObject"},
                                                      {actAddObject, "actAddObject"},
                                                      {actShowLogs, "actShowLogs"},
                                                      {actClearLogs, "actClearLogs"},
                                                      {actHelpManual, "actHelpManual"},
                                                      {actHomePage, "actHomePage"},
                                                      {actAboutSoft, "actAboutSoft"},
                                                      {CheckUpdate1, "CheckUpdate1"}};
    for (const auto& [action, name] : names)
        action->setObjectName(QString::fromLatin1(name));
}

void TfrmMain::CreateMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu("&File");
    file->addAction(actOpenFile);
    file->addAction(actSaveFile);
    file->addAction(ActClose);
    file->addSeparator();
    file->addAction(actPrintSetup);
    file->addAction(actPrintPreview);
    file->addAction(actPrint);
    file->addSeparator();
    file->addAction(actExit);

    // Entries that show a caption other than their command's are menu-only copies that run
    // the same command and follow its enabled state.
    auto alias = [this](QMenu* menu, QAction* command, const QString& caption,
                        const QString& shortcutText) {
        auto* entry = menu->addAction(caption);
        if (!shortcutText.isEmpty()) entry->setText(caption + QLatin1Char('\t') + shortcutText);
        entry->setToolTip(command->toolTip());
        entry->setEnabled(command->isEnabled());
        connect(entry, &QAction::triggered, command, &QAction::trigger);
        connect(command, &QAction::enabledChanged, entry, &QAction::setEnabled);
        return entry;
    };

    QMenu* edit = bar->addMenu("&Edit");
    edit->addAction(actUndo);
    edit->addAction(actRedo);
    edit->addSeparator();
    edit->addAction(actEditPhoto);
    alias(edit, catAddMask, "Mask", "Ctrl+Alt+M");
    alias(edit, actAddFrame, "Frame", "Ctrl+Alt+F");
    alias(edit, actAddClipArt, "ClipArt", "Ctrl+Alt+C");
    alias(edit, actAddShadow, "Shadow", "Ctrl+Alt+S");

    QMenu* view = bar->addMenu("&View");
    alias(view, actShowPreview, "Preview Photo", "Ctrl+Alt+S");
    alias(view, actWelcome, "Welcome", "Ctrl+Alt+W");

    QMenu* tools = bar->addMenu("&Tools");
    tools->addAction(actStandardOption);
    ShowShortcutOnly(actStandardOption, "Ctrl+Alt+S");
    tools->addAction(actDownloadObject);
    tools->addAction(actAddObject);
    tools->addSeparator();
    tools->addAction(actShowLogs);
    tools->addAction(actClearLogs);

    QMenu* help = bar->addMenu("&Help");
    help->addAction(actHelpManual);
    help->addAction(actHomePage);
    help->addAction(actAboutSoft);
    help->addSeparator();
    help->addAction(CheckUpdate1);
}

void TfrmMain::CreateToolBar() {
    ToolBarMain = addToolBar("Main");
    ToolBarMain->setObjectName(QStringLiteral("ToolBarMain"));
    ToolBarMain->setMovable(false);
    ToolBarMain->setFloatable(false);
    ToolBarMain->setIconSize(QSize(24, 24));
    ToolBarMain->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBarMain->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBarMain->setStyleSheet(QStringLiteral("QToolButton { padding: 0px; }"));

    struct Button {
        const char* caption;
        const char* hint;
        QAction* command;
        ToolbarIcon icon;
    };
    const Button buttons[] = {
        {"Open", "Open File", actOpenFile, ToolbarIcon::Open},
        {"&Save", "Save File", actSaveFile, ToolbarIcon::Save},
        {nullptr, nullptr, nullptr, ToolbarIcon::Open},
        {"Undo", "Undo", actUndo, ToolbarIcon::Undo},
        {"Redo", "Redo", actRedo, ToolbarIcon::Redo},
        {nullptr, nullptr, nullptr, ToolbarIcon::Open},
        {"Edit", "Edit Photo", actEditPhoto, ToolbarIcon::Edit},
        {"Mask", "Add Mask", catAddMask, ToolbarIcon::Mask},
        {"ClipArt", "Add ClipArt", actAddClipArt, ToolbarIcon::ClipArt},
        {"Frame", "Add Frame", actAddFrame, ToolbarIcon::Frame},
        {"Shadow", "Add Shadow", actAddShadow, ToolbarIcon::Shadow},
        {"Text", "Add Text", actAddText, ToolbarIcon::Text},
        {nullptr, nullptr, nullptr, ToolbarIcon::Open},
        {"Print", "Print", actPrint, ToolbarIcon::Print},
        {"Get More", "Get More Objects", actDownloadObject, ToolbarIcon::GetMore},
        {"Exit", "Exit system", actExit, ToolbarIcon::Exit},
    };
    for (const Button& b : buttons) {
        if (!b.command) {
            ToolBarMain->addSeparator();
            continue;
        }
        auto* button = new QToolButton(ToolBarMain);
        button->setObjectName(QStringLiteral("tb") + b.command->objectName());
        button->setText(QString::fromUtf8(b.caption));
        button->setToolTip(QString::fromUtf8(b.hint));
        button->setIcon(ToolbarQIcon(b.icon));
        button->setIconSize(QSize(24, 24));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setFixedSize(51, 44);
        button->setFocusPolicy(Qt::NoFocus);
        // Captions sit under the icons in 51-pixel buttons: a compact font keeps "Get More"
        // whole.
        QFont font = button->font();
        font.setPointSizeF(std::min(font.pointSizeF(), 7.5));
        button->setFont(font);
        button->setEnabled(b.command->isEnabled());
        QAction* command = b.command;
        connect(button, &QToolButton::clicked, command, &QAction::trigger);
        connect(command, &QAction::enabledChanged, button, &QToolButton::setEnabled);
        ToolBarMain->addWidget(button);
    }
}

void TfrmMain::UpdatePhotoCommands() {
    const bool hasPhoto = !EditedPhoto.Empty();
    for (QAction* a : {actSaveFile, actPrintPreview, actPrint, actEditPhoto, catAddMask,
                       actAddFrame, actAddShadow, actAddClipArt, actAddText, actShowPreview})
        a->setEnabled(hasPhoto);
}

void TfrmMain::UpdateUndoRedo() {
    actUndo->setEnabled(iPhotos.HistoryIndex > 0);
    actRedo->setEnabled(!iPhotos.IsEmpty() && iPhotos.HistoryIndex < iPhotos.Count() - 1);
}

void TfrmMain::ShowPhotoSize() {
    try {
        if (EditedPhoto.Empty()) return;
        const int w = EditedPhoto.Width();
        const int h = EditedPhoto.Height();
        ShowResizeFields(w, h);
        SetStatusText(1, QStringLiteral("Size:%1 x %2").arg(w).arg(h));
    } catch (...) {
        // The size display is informative only.
    }
}

} // namespace lumetta::ui
