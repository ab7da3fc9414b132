#pragma once
// TfrmMain: the program's one document window. The photo and every rule about it live in the
// core's TPhotoDocument; the window holds the pages, the commands and what the commands need
// besides the document (the object library, the settings, the edit page's tools).
//
// The class is split by concern over several files:
//   MainWindow.cpp          creation (start-up sequence), layout, exit sequence, error guard,
//                           the question about unsaved work
//   MainWindowActions.cpp   actions, menus, toolbar, UpdateActions, status texts
//   MainWindowDocument.cpp  Open File, Close, Undo, Redo, SwitchMode, wheel zoom
//   MainWindowDecorate.cpp  the object page, frames, shadows, masks, clip-art and text layers
//   MainWindowEdit.cpp      the edit page: tools, selection, Cut, flips, zoom, resize
//   MainWindowTone.cpp      Auto Contrast and the contrast panel with its live preview
//   MainWindowClipboard.cpp Copy and Paste on the edit page
//   MainWindowSave.cpp      Save File
//   MainWindowPrint.cpp     Print Setup, Print Preview, Print
//   MainWindowTools.cpp     the Tools and Help commands
//   MainWindowFiles.cpp     the title bar, Recent Photos and files dropped on the window
//   MainWindowView.cpp      Fit to Window, Actual Size and the keys added to the commands
#include "decorate/TextLayer.h"
#include "document/PhotoDocument.h"
#include "imaging/Bitmap32.h"
#include "library/IniFile.h"
#include "library/ObjectCatalog.h"
#include "library/StreamPack.h"
#include "tools/AppPaths.h"
#include "tools/EventLog.h"
#include "tools/Settings.h"

#include <QMainWindow>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QSlider;
class QStackedWidget;
class QToolBar;
class QWidget;

namespace lumetta::ui {

class PlatformServices;
class WelcomeView;
class ImageViewWidget;
class TfrmClipArtTools;
class TEditPanels;
class TfrmTextInput;
class TThumbnailList;
class TJvPreviewControl;
class TJvPreviewRenderGraphics;
struct TPrintOptionPanel;

// Page modes of SwitchMode.
enum PageMode : int {
    pmEditPhoto = 0,
    pmAddMask = 1,
    pmAddClipArt = 2,
    pmAddFrame = 3,
    pmAddShadow = 4
};

// Indices of the centre page list.
enum CentrePage : int { plWelcome = 0, plEditPhoto = 1, plPreview = 2, plPrintPreview = 3 };
// Indices of the left page list.
enum LeftPage : int { pgEdit = 0, pgObject = 1, pgPrintSet = 2 };

struct MainWindowOptions {
    // The program's folder; empty means the folder of the running executable.
    std::string exeDir;
    // Where modal questions and dialogs go; null means the Qt implementation.
    PlatformServices* services = nullptr;
};

// Every command of the window, by its name in the program.
struct TMainActions {
    QAction* actOpenFile = nullptr;
    QAction* actSaveFile = nullptr;
    QAction* ActClose = nullptr;
    QAction* actPrintSetup = nullptr;
    QAction* actPrintPreview = nullptr;
    QAction* actPrint = nullptr;
    QAction* actExit = nullptr;
    QAction* actUndo = nullptr;
    QAction* actRedo = nullptr;
    QAction* actEditPhoto = nullptr;
    QAction* catAddMask = nullptr;
    QAction* actAddFrame = nullptr;
    QAction* actAddShadow = nullptr;
    QAction* actAddClipArt = nullptr;
    QAction* actAddText = nullptr;
    QAction* actShowPreview = nullptr;
    QAction* actWelcome = nullptr;
    QAction* actStandardOption = nullptr;
    QAction* actDownloadObject = nullptr;
    QAction* actAddObject = nullptr;
    QAction* actShowLogs = nullptr;
    QAction* actClearLogs = nullptr;
    QAction* actHelpManual = nullptr;
    QAction* actHomePage = nullptr;
    QAction* actAboutSoft = nullptr;
    QAction* CheckUpdate1 = nullptr;
    QAction* actArtDelete = nullptr;
    QAction* actArtFlipHorz = nullptr;
    QAction* actArtFlipVert = nullptr;
    QAction* actArtRotate90 = nullptr;
    QAction* actArtRotate270 = nullptr;
    QAction* actArtFlattenLayers = nullptr;
    // Beyond the window's historical commands.
    QAction* actFitToWindow = nullptr; // View, Ctrl+0
    QAction* actActualSize = nullptr;  // View, Ctrl+1
    QAction* actCopy = nullptr;        // Ctrl+C on the edit page
    QAction* actPaste = nullptr;       // Ctrl+V on the edit page
    QAction* actDeselect = nullptr;    // Escape
    QAction* actClearRecent = nullptr; // File > Recent Photos > Clear List
};

class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TfrmMain(const MainWindowOptions& options = {});
    ~TfrmMain() override;

    // ---- what other parts of the program (and the tests) reach ----
    TPhotoDocument& Document() { return *doc_; }
    const TMainActions& Actions() const { return act_; }
    PlatformServices& Services() { return *services_; }
    // The program's folders. ExeDir and DataDir hold its library, beside the executable or, once
    // installed, in share/lumetta; settings, log and imported objects may live elsewhere (see
    // tools/AppPaths.h).
    const TAppPaths& Paths() const { return paths_; }
    const std::string& ExeDir() const { return exeDir_; } // always ends in "/"
    const std::string& DataDir() const { return dataDir_; }
    // The object library as opened at start-up: the shipped objects and the user's.
    const TiStreamPack& ObjectPack() const { return objectPack_; }
    const std::optional<TMemIniFile>& PlacementIndex() const { return placementIndex_; }
    const TFontDesc& TextFont() const { return textFont_; }
    // Decoded the first time a dialog needs it.
    const TBitmap32& LeftPanelBitmap();
    const TJvLogFile& EventLog() const { return logFile_; }
    TJvLogFile& EventLog() { return logFile_; }
    const std::string& CurrentObjectName() const { return currentObjectName_; }
    const TFrameSpec& CurrentFrameSpec() const { return currentFrameSpec_; }
    const TFrameSpec& CurrentShadowSpec() const { return currentShadowSpec_; }

    int CentrePageIndex() const;
    int LeftPageIndex() const;
    ImageViewWidget* EditView() const { return ImgViewEdit; }
    ImageViewWidget* PreviewView() const { return imgView; }
    WelcomeView* WelcomePage() const { return ImageBG; }
    TEditPanels* EditPanels() const { return EditPanel; }
    TfrmTextInput* TextInputWindow() const { return frmTextInput; }
    TfrmClipArtTools* ClipArtToolWindow() const { return frmClipArtTools; }
    // The pages that are hidden at start-up are built the first time they are needed; these
    // build them when they do not exist yet.
    TThumbnailList* ObjectList();
    TJvPreviewControl* PrintPreviewControl();
    TJvPreviewRenderGraphics* PrintPreviewRenderer();
    TPrintOptionPanel* PrintOptionPanel();
    QToolBar* ToolBar() const { return ToolBarMain; }
    // File > Recent Photos: one entry per photo, newest first, then Clear List.
    QMenu* RecentPhotosMenu() const { return recentMenu_; }

    // The status text of a panel (0 mode, 1 size, 2 object).
    QString StatusText(int panel) const;

    // The edit page's state, for whoever shows or checks it.
    int ZoomStep() const { return zoomStep_; }
    bool HasSelection() const { return hasSelection_; }
    bool Selecting() const { return selecting_; }
    // The whole-pixel rectangle of the selection frame on the edit picture (empty without one).
    TRect EditSelectionRect() const;
    TRubberbandLayer* EditSelectionFrame() const { return editSelection_; }
    int ResizeWidth() const { return resizeWidth_; }
    int ResizeHeight() const { return resizeHeight_; }
    double AspectRatio() const { return aspectRatio_; }
    // The slider positions the tone preview was last rendered with.
    double ToneContrast() const { return toneContrast_; }
    double ToneBrightness() const { return toneBrightness_; }
    double ToneGamma() const { return toneGamma_; }
    // The save dialog's file type (1 JPG, 2 PNG, 3 BMP, 4 GIF), kept from one save to the next.
    int SaveFilterIndex() const { return saveFilterIndex_; }

    // What the modal dialogs are given.
    struct TDialogContext DialogContext();

    // ---- operations other parts use ----
    void SwitchMode(int mode);
    // Opens the photo file as Open File does after its dialog. Unsaved work is asked about
    // first. A file that cannot be opened is reported and leaves the photo that was open (read
    // again from its file when it was set aside, or as it was saved if its changes were
    // discarded). True when it opened.
    bool OpenPhotoFile(const QString& path);
    // Adds a line of text as a layer of the preview (the text window's Add).
    void AddTextLayer(const std::string& text);
    // Opens the text window on the text layer under the preview's control point, to change its
    // text and font (a double-click on it does this).
    void EditTextLayerAt(int x, int y);
    // The text layer the text window is changing, or null while it adds new text.
    const TTextLayer* TextLayerBeingEdited() const { return editingText_; }
    // Opens the first of the files as a photo; on the object page a thumbnail of the list is
    // applied instead, as a thumbnail dragged from the list would be.
    void DropFiles(const QStringList& paths);
    // Opens a photo named on the command line (a path, relative to the current folder, or a
    // file:// address as desktops pass them); a failure is reported as Open File reports it.
    void OpenGivenFile(const QString& argument);
    // Asks "Save changes to ...?" when there is unsaved work. True when the caller may go on
    // (nothing unsaved, saved, or discarded); false when the user cancelled or the save failed.
    // `discarded`, when given, tells whether the answer was Discard.
    bool ConfirmUnsavedWork(bool* discarded = nullptr);
    // Every enabled state, the tool windows and the size display, derived from the document and
    // the page in view. Runs after every command.
    void UpdateActions();

    // Runs a command; an error that escapes it is shown in the standard error box. Afterwards
    // the window's states follow the document again.
    void RunCommand(const std::function<void()>& command);
    // The standard error box: caption "Lumetta", error icon, the full-stop rule.
    void ShowError(const std::exception& error);
    // The text of that box for a message (a full stop appended when the last character sorts
    // after ".").
    static QString ErrorText(const QString& message);

    // True once the exit sequence has run.
    bool ExitSequenceDone() const { return exitDone_; }
    // Runs the exit sequence now (the destructor runs it otherwise); idempotent.
    void RunExitSequence();

signals:
    // Raised after a photo was opened, closed or the mode changed; tests and tool windows use it.
    void documentChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // ---- construction ----
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePages();
    void PlaceWindow();
    void BuildEditPage(QWidget* pageEdit);
    void CreateDecorationTools();
    // The thumbnail list on pgObject, built on first use.
    void EnsureObjectPage();
    // The print preview page and the print options page, built together on first use.
    void EnsurePrintPages();
    void BuildPrintPreviewPage(QWidget* page);
    void BuildPrintOptionsPage(QWidget* pagePrint);
    void ConnectToneTools();
    QAction* MakeAction(const QString& caption, const QString& hint, const QString& shortcut,
                        void (TfrmMain::*handler)());

    // ---- the page in view ----
    // Undo and Redo work on the edit picture while the edit page shows, else on the preview.
    TDocPage UndoPage() const;
    // Save and Print take the edit picture while the edit tools show, else the preview.
    TDocPage OutputPage() const;
    void SetStatusText(int panel, const QString& text);
    // The size of the picture in view in the status bar, and in the resize fields when it
    // changed since they last showed it (or always with force).
    void ShowPhotoSize(bool force = false);
    void ShowResizeFields(int width, int height);

    // ---- File and Edit commands (MainWindowDocument.cpp, MainWindowSave.cpp) ----
    void actOpenFileExecute();
    void ActCloseExecute();
    // True when a file was written.
    bool SaveFile();
    void actSaveFileExecute() { SaveFile(); }
    void actUndoExecute();
    void actRedoExecute();
    void actAddTextExecute();
    void actShowPreviewExecute();
    void actWelcomeExecute();
    void actExitExecute();
    void OnPreviewMouseDown(int button, int x, int y, bool layerHit);
    void OnPreviewWheel(int delta);

    // ---- decoration (MainWindowDecorate.cpp) ----
    void SetObjectKind(int kind, const QString& mask);
    void ivLeftDblClick();
    void imgViewDragDrop();
    void DispatchObject(const std::string& name);
    void ApplyFrame(const std::string& name);
    void ApplyShadow(const std::string& name);
    // A frame or shadow: the template and its placement record from the section.
    void ApplyFrameLike(const std::string& name, const char* section, TFrameSpec& placement);
    void ApplyMask(const std::string& name);
    void AddClipArtLayer(const std::string& name);
    // The picture point at the centre of the preview's viewport.
    TPoint PreviewCentre() const;
    // Makes the preview the page in view for a new layer.
    void ShowPreviewForLayers();
    void LayerPressed();
    // Shows the clip-art tool window beside the layer, on the screen; null layer: where it was.
    void ShowClipArtTools(const TPositionedLayer* layer);
    void HideClipArtTools();
    void ShowTextInput();
    void btnSetFontClick();
    void actArtDeleteExecute();
    void actArtFlattenLayersExecute();
    void actArtFlipHorzExecute();
    void actArtFlipVertExecute();
    void actArtRotate90Execute();
    void actArtRotate270Execute();

    // ---- the edit page (MainWindowEdit.cpp) ----
    void RemoveSelection();
    void UpdateSelection();
    void ShowSelectionFrame(const TRect& r);
    void spEditArrowClick();
    void spEditSelectClick();
    void pbEditCutClick();
    void spEditFlipvClick();
    void spEditFiphClick();
    void spEditZoomOutClick();
    void spEditZoomInClick();
    void spEditZoonClick();
    void SetEditZoom(int zoomStep);
    void ImgViewEditMouseDown(TMouseButton button, TShiftState shift, int x, int y,
                              TCustomLayer* layer);
    void ImgViewEditMouseMove(TMouseButtons buttons, TShiftState shift, int x, int y);
    // Character filters of the size fields: false discards the character (with a beep).
    bool SizeFieldKeyPress(char32_t typed);
    void ActHPercEditKeyUp();
    void ActVPercEditKeyUp();
    void btnSizeOKClick();
    void ShowResizeFieldValues();

    // ---- clipboard (MainWindowClipboard.cpp) ----
    void spEditCopyClick();
    void spEditPasteClick();
    // The bitmap as an opaque picture plus its alpha block; an empty bitmap copies nothing.
    void PlaceBitmap32OnClipboard(const TBitmap32& bitmap);
    // The clipboard's picture, opaque unless an alpha block of its pixel count is there; nothing
    // when the clipboard holds no picture.
    std::optional<TBitmap32> PasteBitmap32FromClipboard();

    // ---- tone (MainWindowTone.cpp) ----
    void spEditAutoClick();
    void spEditAdjustClick();
    void tbEditContrastChange();
    void btnContrastOKClick();
    void btnContrastCancelClick();
    // The preview: the picture the adjustment began from, through the stored settings.
    void ApplyUpdateImage();
    // Moves a contrast-panel slider as part of a command; an error of the change it fires ends
    // that command.
    void SetToneSlider(QSlider* slider, int position);

    // ---- printing (MainWindowPrint.cpp) ----
    void BuildPrintPreview();
    void actPrintSetupExecute();
    void actPrintPreviewExecute();
    void actPrintExecute();

    // ---- Tools and Help (MainWindowTools.cpp) ----
    void actClearLogsExecute();
    void actAddObjectExecute();
    void actStandardOptionExecute();
    void actShowLogsExecute();
    void actHelpManualExecute();
    void actHomePageExecute();
    void CheckUpdate1Click();
    void actDownloadObjectExecute();
    void actAboutSoftExecute();

    // ---- title, recent photos, fitting (MainWindowFiles.cpp, MainWindowView.cpp) ----
    void CreateAdditions(QMenu* fileMenu, QMenu* viewMenu);
    void UpdateWindowTitle();
    void UpdateRecentPhotosMenu();
    void OpenRecentPhoto(const QString& path);
    void actFitToWindowExecute();
    void actActualSizeExecute();
    // Shows the photo just opened whole when it is larger than the window and the setting
    // asks for it.
    // After an Open that failed: the photo set aside for it is read again from `file`; with no
    // readable file the document stays closed.
    void ReopenSetAside(const std::string& file);
    void FitNewPhoto();
    // The edit view's scale from the zoom step and its fraction.
    void ApplyEditZoom();
    void actDeselectExecute();
    void EndTextEdit();

    // ---- state ----
    std::unique_ptr<PlatformServices> ownedServices_;
    PlatformServices* services_ = nullptr;
    TSettings& settings_;
    TAppPaths paths_;
    std::string exeDir_;
    std::string dataDir_;
    TFontDesc textFont_;
    TBitmap32 leftPanelBitmap_;
    bool leftPanelLoaded_ = false;
    // The event log, bound to Log.dat; it writes the file when the window goes away.
    TJvLogFile logFile_;
    TiStreamPack objectPack_;
    std::optional<TMemIniFile> placementIndex_;
    std::string currentObjectName_;
    TFrameSpec currentFrameSpec_;
    TFrameSpec currentShadowSpec_;
    int saveFilterIndex_ = 1;
    // The folders of the thumbnail list, set at start-up and given to the list when it is built.
    QStringList thumbnailFolders_;
    // The picture the print preview was built from, kept for its rebuilds and for Save while
    // it shows.
    TBitmap32 printSource_;

    int zoomStep_ = 10;
    // After Fit to Window the edit view's scale lies between two zoom steps: this is how far
    // (0 <= fraction < 1); the steps go on from there.
    float zoomFraction_ = 0.0f;
    // Whether the open photo was decoded turned upright (the setting may change after).
    bool openedUpright_ = true;
    QMenu* recentMenu_ = nullptr;
    // The text layer the text window is changing and the font it is drawn in meanwhile.
    TTextLayer* editingText_ = nullptr;
    TFontDesc editFont_;
    int resizeWidth_ = 0;
    int resizeHeight_ = 0;
    double aspectRatio_ = 0.0;
    int shownWidth_ = 0;
    int shownHeight_ = 0;
    bool selecting_ = false;
    bool hasSelection_ = false;
    // Where the selected preview layer was after the last press, to tell a drag from a click.
    TFloatRect layerLocationAtPress_;
    // A press landed on the selection frame: the frame moves or resizes itself.
    bool draggingFrame_ = false;
    TPoint selAnchor_;
    TPoint selCorner_;
    // The edit page's selection frame (the preview's frame belongs to the document).
    TRubberbandLayer* editSelection_ = nullptr;

    double toneContrast_ = 0.0;
    double toneBrightness_ = 0.0;
    double toneGamma_ = 0.0;
    bool toneResetting_ = false;
    std::exception_ptr toneError_;

    bool shownOnce_ = false;
    bool exitDone_ = false;
    bool budgetNoted_ = false;
    QSize lastNormalSize_;
    int lastState_ = 0; // 0 normal or 2 maximized, as stored at exit
    QPoint lastPos_;
    bool snapping_ = false;

    // ---- widgets ----
    TMainActions act_;
    QStackedWidget* PageListMain = nullptr;
    QStackedWidget* plLeft = nullptr;
    // The pages built on first use, empty until then.
    QWidget* pageObject_ = nullptr;
    QWidget* pagePrintSet_ = nullptr;
    QWidget* pagePrintPreview_ = nullptr;
    WelcomeView* ImageBG = nullptr;
    ImageViewWidget* ImgViewEdit = nullptr;
    ImageViewWidget* imgView = nullptr;
    QLabel* StatusPanel[3] = {nullptr, nullptr, nullptr};
    TfrmTextInput* frmTextInput = nullptr;
    TfrmClipArtTools* frmClipArtTools = nullptr;
    TEditPanels* EditPanel = nullptr;
    TThumbnailList* ivLeft = nullptr;
    QToolBar* ToolBarMain = nullptr;
    TJvPreviewControl* PreCtlMain = nullptr;
    TJvPreviewRenderGraphics* PreImgMain = nullptr;
    TPrintOptionPanel* PrintOptions = nullptr;

    std::unique_ptr<TPhotoDocument> doc_;
};

} // namespace lumetta::ui
