// TfrmMain: commands, menus, toolbar and the rules that enable them.
#include "ui/Artwork.h"
#include "ui/EditPanels.h"
#include "ui/MainWindow.h"
#include "ui/ToolWindows.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
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
    act_.actOpenFile =
        MakeAction("Open File", "Open File", "Ctrl+O", &TfrmMain::actOpenFileExecute);
    act_.actSaveFile =
        MakeAction("Save File", "Save File", "Ctrl+Alt+S", &TfrmMain::actSaveFileExecute);
    act_.ActClose = MakeAction("Close", "Close", "", &TfrmMain::ActCloseExecute);
    act_.actPrintSetup = MakeAction("Print Setup", "", "", &TfrmMain::actPrintSetupExecute);
    act_.actPrintPreview = MakeAction("Print Preview", "", "", &TfrmMain::actPrintPreviewExecute);
    act_.actPrint = MakeAction("Print", "", "Ctrl+P", &TfrmMain::actPrintExecute);
    act_.actExit = MakeAction("Exit", "Exit system", "Ctrl+X", &TfrmMain::actExitExecute);
    // Edit
    act_.actUndo = MakeAction("Undo", "Undo", "Ctrl+Z", &TfrmMain::actUndoExecute);
    act_.actRedo = MakeAction("Redo", "", "Ctrl+Y", &TfrmMain::actRedoExecute);
    act_.actEditPhoto = MakeAction("Edit Photo", "", "Ctrl+Alt+E", nullptr);
    act_.catAddMask = MakeAction("Add Mask", "", "Ctrl+Alt+M", nullptr);
    act_.actAddFrame = MakeAction("Add Frame", "", "Ctrl+Alt+F", nullptr);
    act_.actAddShadow = MakeAction("Add Shadow", "", "", nullptr);
    act_.actAddClipArt = MakeAction("Add ClipArt", "", "Ctrl+Alt+C", nullptr);
    act_.actAddText = MakeAction("Add Text", "Add Text", "", &TfrmMain::actAddTextExecute);
    // View
    act_.actShowPreview =
        MakeAction("Preview Images", "Preview Images", "", &TfrmMain::actShowPreviewExecute);
    act_.actWelcome = MakeAction("Welcome Page", "", "Ctrl+Alt+W", &TfrmMain::actWelcomeExecute);
    // Tools
    act_.actStandardOption =
        MakeAction("Standard Option", "Standard Option", "", &TfrmMain::actStandardOptionExecute);
    act_.actDownloadObject =
        MakeAction("Get More Objects", "", "", &TfrmMain::actDownloadObjectExecute);
    act_.actAddObject = MakeAction("Import Objects", "", "", &TfrmMain::actAddObjectExecute);
    act_.actShowLogs = MakeAction("Show Logs", "Show Logs", "", &TfrmMain::actShowLogsExecute);
    act_.actClearLogs = MakeAction("Clear Logs", "Clear Logs", "", &TfrmMain::actClearLogsExecute);
    // Help
    act_.actHelpManual =
        MakeAction("Help Manual", "Help Manual", "F1", &TfrmMain::actHelpManualExecute);
    act_.actHomePage = MakeAction("Home Page", "Home Page", "", &TfrmMain::actHomePageExecute);
    act_.actAboutSoft = MakeAction("About...", "About...", "", &TfrmMain::actAboutSoftExecute);
    act_.CheckUpdate1 =
        MakeAction("Check Update", "Check Update", "", &TfrmMain::CheckUpdate1Click);

    // The mode commands.
    const std::pair<QAction*, int> modes[] = {{act_.actEditPhoto, pmEditPhoto},
                                              {act_.catAddMask, pmAddMask},
                                              {act_.actAddFrame, pmAddFrame},
                                              {act_.actAddShadow, pmAddShadow},
                                              {act_.actAddClipArt, pmAddClipArt}};
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
    const std::pair<QAction*, const char*> names[] = {{act_.actOpenFile, "actOpenFile"},
                                                      {act_.actSaveFile, "actSaveFile"},
                                                      {act_.ActClose, "ActClose"},
                                                      {act_.actPrintSetup, "actPrintSetup"},
                                                      {act_.actPrintPreview, "actPrintPreview"},
                                                      {act_.actPrint, "actPrint"},
                                                      {act_.actExit, "actExit"},
                                                      {act_.actUndo, "actUndo"},
                                                      {act_.actRedo, "actRedo"},
                                                      {act_.actEditPhoto, "actEditPhoto"},
                                                      {act_.catAddMask, "catAddMask"},
                                                      {act_.actAddFrame, "actAddFrame"},
                                                      {act_.actAddShadow, "actAddShadow"},
                                                      {act_.actAddClipArt, "actAddClipArt"},
                                                      {act_.actAddText, "actAddText"},
                                                      {act_.actShowPreview, "actShowPreview"},
                                                      {act_.actWelcome, "actWelcome"},
                                                      {act_.actStandardOption, "actStandardOption"},
                                                      {act_.actDownloadObject, "actDownloadObject"},
                                                      {act_.actAddObject, "actAddObject"},
                                                      {act_.actShowLogs, "actShowLogs"},
                                                      {act_.actClearLogs, "actClearLogs"},
                                                      {act_.actHelpManual, "actHelpManual"},
                                                      {act_.actHomePage, "actHomePage"},
                                                      {act_.actAboutSoft, "actAboutSoft"},
                                                      {act_.CheckUpdate1, "CheckUpdate1"}};
    for (const auto& [action, name] : names)
        action->setObjectName(QString::fromLatin1(name));
}

void TfrmMain::CreateMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu("&File");
    file->addAction(act_.actOpenFile);
    file->addAction(act_.actSaveFile);
    file->addAction(act_.ActClose);
    file->addSeparator();
    file->addAction(act_.actPrintSetup);
    file->addAction(act_.actPrintPreview);
    file->addAction(act_.actPrint);
    file->addSeparator();
    file->addAction(act_.actExit);

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
    edit->addAction(act_.actUndo);
    edit->addAction(act_.actRedo);
    edit->addSeparator();
    edit->addAction(act_.actEditPhoto);
    alias(edit, act_.catAddMask, "Mask", "Ctrl+Alt+M");
    alias(edit, act_.actAddFrame, "Frame", "Ctrl+Alt+F");
    alias(edit, act_.actAddClipArt, "ClipArt", "Ctrl+Alt+C");
    alias(edit, act_.actAddShadow, "Shadow", "Ctrl+Alt+S");

    QMenu* view = bar->addMenu("&View");
    alias(view, act_.actShowPreview, "Preview Photo", "Ctrl+Alt+S");
    alias(view, act_.actWelcome, "Welcome", "Ctrl+Alt+W");
    CreateAdditions(file, view);

    QMenu* tools = bar->addMenu("&Tools");
    tools->addAction(act_.actStandardOption);
    ShowShortcutOnly(act_.actStandardOption, "Ctrl+Alt+S");
    tools->addAction(act_.actDownloadObject);
    tools->addAction(act_.actAddObject);
    tools->addSeparator();
    tools->addAction(act_.actShowLogs);
    tools->addAction(act_.actClearLogs);

    QMenu* help = bar->addMenu("&Help");
    help->addAction(act_.actHelpManual);
    help->addAction(act_.actHomePage);
    help->addAction(act_.actAboutSoft);
    help->addSeparator();
    help->addAction(act_.CheckUpdate1);
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
        {"Open", "Open File", act_.actOpenFile, ToolbarIcon::Open},
        {"&Save", "Save File", act_.actSaveFile, ToolbarIcon::Save},
        {nullptr, nullptr, nullptr, ToolbarIcon::Open},
        {"Undo", "Undo", act_.actUndo, ToolbarIcon::Undo},
        {"Redo", "Redo", act_.actRedo, ToolbarIcon::Redo},
        {nullptr, nullptr, nullptr, ToolbarIcon::Open},
        {"Edit", "Edit Photo", act_.actEditPhoto, ToolbarIcon::Edit},
        {"Mask", "Add Mask", act_.catAddMask, ToolbarIcon::Mask},
        {"ClipArt", "Add ClipArt", act_.actAddClipArt, ToolbarIcon::ClipArt},
        {"Frame", "Add Frame", act_.actAddFrame, ToolbarIcon::Frame},
        {"Shadow", "Add Shadow", act_.actAddShadow, ToolbarIcon::Shadow},
        {"Text", "Add Text", act_.actAddText, ToolbarIcon::Text},
        {nullptr, nullptr, nullptr, ToolbarIcon::Open},
        {"Print", "Print", act_.actPrint, ToolbarIcon::Print},
        {"Get More", "Get More Objects", act_.actDownloadObject, ToolbarIcon::GetMore},
        {"Exit", "Exit system", act_.actExit, ToolbarIcon::Exit},
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

TDocPage TfrmMain::UndoPage() const {
    return PageListMain->currentIndex() == plEditPhoto ? TDocPage::Edit : TDocPage::Preview;
}

TDocPage TfrmMain::OutputPage() const {
    return plLeft->currentIndex() == pgEdit ? TDocPage::Edit : TDocPage::Preview;
}

int TfrmMain::CentrePageIndex() const {
    return PageListMain->currentIndex();
}

int TfrmMain::LeftPageIndex() const {
    return plLeft->currentIndex();
}

void TfrmMain::UpdateActions() {
    TPhotoDocument& doc = *doc_;
    const bool hasPhoto = doc.HasPhoto();
    for (QAction* a : {act_.actSaveFile, act_.actPrintPreview, act_.actPrint, act_.actEditPhoto,
                       act_.catAddMask, act_.actAddFrame, act_.actAddShadow, act_.actAddClipArt,
                       act_.actAddText, act_.actShowPreview})
        a->setEnabled(hasPhoto);
    act_.actUndo->setEnabled(doc.CanUndo(UndoPage()));
    act_.actRedo->setEnabled(doc.CanRedo(UndoPage()));
    // Seeing the whole photo, and the clipboard keys, work on the page in view.
    const int page = PageListMain->currentIndex();
    const bool photoInView = hasPhoto && (page == plEditPhoto || page == plPreview);
    if (act_.actFitToWindow) {
        act_.actFitToWindow->setEnabled(photoInView);
        act_.actActualSize->setEnabled(photoInView);
        act_.actCopy->setEnabled(hasPhoto && page == plEditPhoto);
        act_.actPaste->setEnabled(hasPhoto && page == plEditPhoto);
    }
    UpdateWindowTitle();
    // A text layer being changed that no longer floats over the preview ends the change.
    if (editingText_ && !doc.HoldsLayer(editingText_)) EndTextEdit();

    // Cut needs a selection with an area: a crop to nothing would leave no picture.
    if (EditPanel) {
        EditPanel->pbEditCut->setEnabled(!EditSelectionRect().IsEmpty());
        // A tone adjustment that the document ended (a mode change, an edit, Undo) takes its
        // panel with it.
        if (!doc.ToneOpen() && EditPanel->plContrast->isVisible()) EditPanel->plContrast->hide();
    }
    // With no layer left the clip-art tools have nothing to act on.
    if (!doc.HasLayers()) HideClipArtTools();

    ShowPhotoSize();
    if (!budgetNoted_ && doc.History().DroppedForBudget() > 0) {
        budgetNoted_ = true;
        SetStatusText(2, QStringLiteral("Oldest Undo steps dropped to save memory"));
    }
}

void TfrmMain::ShowPhotoSize(bool force) {
    try {
        // The size of the picture the user is looking at (the edit picture changes before it
        // is committed, and the resize fields must describe what Resize will resample).
        const TBitmap32& picture =
            OutputPage() == TDocPage::Edit ? doc_->EditPicture() : doc_->PreviewPicture();
        if (picture.Empty()) return;
        const int w = picture.Width();
        const int h = picture.Height();
        // The fields keep what the user typed until the picture changes size.
        if (force || w != shownWidth_ || h != shownHeight_) {
            shownWidth_ = w;
            shownHeight_ = h;
            ShowResizeFields(w, h);
        }
        SetStatusText(1, QStringLiteral("Size:%1 x %2").arg(w).arg(h));
    } catch (...) {
        // The size display is informative only.
    }
}

} // namespace lumetta::ui
