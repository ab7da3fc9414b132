#pragma once
// TfrmMain: the program's one document window. Its fields hold the document (the photo, the
// scratch bitmaps, the history and the dirty flags); its methods are the commands.
//
// The class is split by concern over several files:
//   MainWindow.cpp          creation (start-up sequence), layout, exit sequence, error guard
//   MainWindowActions.cpp   actions, menus, toolbar, enabled states, status texts
//   MainWindowDocument.cpp  Open File, Close, Undo, Redo, SwitchMode, wheel zoom
//   MainWindowDecorate.cpp  the object page, frames, shadows, masks, clip-art and text layers
//   MainWindowEdit.cpp      the edit page: tools, selection, Cut, flips, zoom, resize
//   MainWindowTone.cpp      Auto Contrast and the contrast panel with its live preview
//   MainWindowClipboard.cpp Copy and Paste on the edit page
#include "document/PhotoHistory.h"
#include "imaging/Bitmap32.h"
#include "library/IniFile.h"
#include "library/ObjectCatalog.h"
#include "library/StreamPack.h"
#include "tools/AppPaths.h"
#include "tools/EventLog.h"
#include "tools/Settings.h"
#include "view/RubberbandLayer.h"

#include <QMainWindow>
#include <QPointer>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;
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

class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TfrmMain(const MainWindowOptions& options = {});
    ~TfrmMain() override;

    // ---- paths ----
    // The program's folders; ExeDir and DataDir are its library, which lies beside the
    // executable or, once installed, in share/lumetta (see tools/AppPaths.h).
    TAppPaths Paths;
    std::string ExeDir;  // always ends in "/"
    std::string DataDir; // ExeDir + "Data/"

    // ---- the document ----
    TBitmap32 EditedPhoto;
    TBitmap32 Composite;
    TBitmap32 ObjectImage;
    TPhotoHistory iPhotos; // holds HistoryIndex
    bool EditDirty = false;
    bool PreviewDirty = false;
    std::string CurrentPhotoFile;
    TFontDesc TextFont;
    TBitmap32 LeftPanelBitmap;

    // The event log, bound to Log.dat; it writes the file when the window goes away.
    TJvLogFile LogFileMain;

    // ---- the object library ----
    TiStreamPack ObjectPack;
    std::optional<TMemIniFile> PlacementIndex;

    // ---- operations ----
    void SwitchMode(int mode);
    void UpdatePhotoCommands();
    void UpdateUndoRedo();
    void ShowPhotoSize();
    void PushSnapshot(const TBitmap32& bitmap) { iPhotos.PushSnapshot(bitmap); }
    void RestoreSnapshot(int n, TBitmap32& target) { iPhotos.RestoreSnapshot(n, target); }
    int HistoryIndex() const { return iPhotos.HistoryIndex; }

    // ---- decoration ----
    std::string CurrentObjectName;
    TFrameSpec CurrentFrameSpec;
    TFrameSpec CurrentShadowSpec;
    TPositionedLayer* SelectedLayer = nullptr;
    TRubberbandLayer* RubberBand = nullptr;

    void DispatchObject(const std::string& name);
    void ApplyFrame(const std::string& name);
    void ApplyShadow(const std::string& name);
    void ApplyMask(const std::string& name);
    void AddClipArtLayer(const std::string& name);
    void AddTextLayer(const std::string& text);
    void SelectLayer(TPositionedLayer* layer);
    void LayerMouseDown(TCustomLayer* sender);
    void ShowClipArtTools(int x, int y);
    void FlattenLayersTo(TBitmap32& target);
    void ivLeftDblClick();
    void imgViewDragDrop();
    void btnSetFontClick();
    void actArtDeleteExecute();
    void actArtFlattenLayersExecute();
    void actArtFlipHorzExecute();
    void actArtFlipVertExecute();
    void actArtRotate90Execute();
    void actArtRotate270Execute();

    // ---- commands ----
    void actOpenFileExecute();
    // Opens the photo as Open File does once its dialog has given a path (also for a file named
    // on the command line). Throws an error naming the file and the reason when the file cannot
    // be opened; the document is then as it was.
    void OpenPhotoFile(const QString& path);
    void ActCloseExecute();
    void actSaveFileExecute(); // MainWindowSave.cpp
    // The save dialog's file type (1 JPG, 2 PNG, 3 BMP, 4 GIF), kept from one save to the next.
    int SaveFilterIndex = 1;
    void actUndoExecute();
    void actRedoExecute();
    void actAddTextExecute();
    void actShowPreviewExecute();
    void actWelcomeExecute();
    void actExitExecute();
    void actClearLogsExecute();
    void actAddObjectExecute();
    void actStandardOptionExecute();
    void actShowLogsExecute();
    void actHelpManualExecute();
    void actHomePageExecute();
    void CheckUpdate1Click();
    void actDownloadObjectExecute();
    void actAboutSoftExecute();

    // ---- printing (MainWindowPrint.cpp) ----
    class TJvPreviewControl* PreCtlMain = nullptr;        // on the print preview page
    class TJvPreviewRenderGraphics* PreImgMain = nullptr; // the pictures the pages show
    struct TPrintOptionPanel* PrintOptions = nullptr;     // the controls of pgPrintSet
    void BuildPrintPreview();
    void actPrintSetupExecute();
    void actPrintPreviewExecute();
    void actPrintExecute();
    QWidget* CreatePrintPreviewPage(QWidget* parent);
    void BuildPrintOptionsPage(QWidget* pagePrint);

    // Runs a command; an error that escapes it is shown in the standard error box.
    void RunCommand(const std::function<void()>& command);
    // The standard error box: caption "Lumetta", error icon, the full-stop rule.
    void ShowError(const std::exception& error);
    // The text of that box for a message (a full stop appended when the last character sorts
    // after ".").
    static QString ErrorText(const QString& message);

    // ---- widgets other parts of the program reach ----
    PlatformServices& Services() { return *services_; }
    QStackedWidget* PageListMain = nullptr;
    QStackedWidget* plLeft = nullptr;
    WelcomeView* ImageBG = nullptr;
    ImageViewWidget* ImgViewEdit = nullptr;
    ImageViewWidget* imgView = nullptr;
    QLabel* StatusPanel[3] = {nullptr, nullptr, nullptr};
    // The tool windows, created hidden after the main window (they live for the whole run).
    TfrmTextInput* frmTextInput = nullptr;
    TfrmClipArtTools* frmClipArtTools = nullptr;

    // Every command, by its name in the program.
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
    TThumbnailList* ivLeft = nullptr;
    QToolBar* ToolBarMain = nullptr;

    // The status text of a panel (0 mode, 1 size, 2 object).
    QString StatusText(int panel) const;
    void SetStatusText(int panel, const QString& text);

    // ---- edit-page and decoration state used by the commands ----
    int ZoomStep = 10;
    int ResizeWidth = 0;
    int ResizeHeight = 0;
    double AspectRatio = 0.0;

    // ---- the edit page (MainWindowEdit.cpp) ----
    TEditPanels* EditPanel = nullptr; // the tool, contrast and resize panels of pgEdit
    bool Selecting = false;
    bool HasSelection = false;
    TPoint SelAnchor;
    TPoint SelCorner;
    // The edit page's selection frame, apart from the preview's RubberBand so that neither
    // page's commands touch the other's frame.
    TRubberbandLayer* EditSelection = nullptr;

    void RemoveSelection();
    void UpdateSelection();
    void ShowSelectionFrame(const TRect& r);
    // The whole-pixel rectangle of the selection frame on the edit picture (empty without one).
    TRect EditSelectionRect() const;
    void spEditArrowClick();
    void spEditSelectClick();
    void pbEditCutClick();
    void spEditFlipvClick();
    void spEditFiphClick();
    void spEditZoomOutClick();
    void spEditZoomInClick();
    void spEditZoonClick();
    void spEditCopyClick();  // MainWindowClipboard.cpp
    void spEditPasteClick(); // MainWindowClipboard.cpp
    // The bitmap as an opaque picture plus its alpha block; an empty bitmap copies nothing.
    void PlaceBitmap32OnClipboard(const TBitmap32& bitmap);
    // dest := the clipboard's picture, opaque unless an alpha block of its pixel count is there;
    // unchanged when the clipboard holds no picture.
    void PasteBitmap32FromClipboard(TBitmap32& dest);
    void ImgViewEditMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void ImgViewEditMouseMove(TMouseButtons buttons, TShiftState shift, int x, int y);
    // Character filters of the size fields: false discards the character (with a beep).
    bool ActHPercEditKeyPress(char32_t typed);
    bool ActVPercEditKeyPress(char32_t typed);
    void ActHPercEditKeyUp();
    void ActVPercEditKeyUp();
    void btnSizeOKClick();

    // ---- tone adjustment (MainWindowTone.cpp) ----
    // The slider positions the preview was last rendered with.
    double ToneContrast = 0.0;
    double ToneBrightness = 0.0;
    double ToneGamma = 0.0;
    void spEditAutoClick();
    void spEditAdjustClick();
    void tbEditContrastChange();
    void btnContrastOKClick();
    void btnContrastCancelClick();
    // The preview: EditedPhoto through the stored settings into Composite and the edit picture.
    void ApplyUpdateImage();
    // Contrast, brightness and gamma with the stored settings, in place.
    void ApplyToneTables(TBitmap32& bitmap);

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

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePages();
    void PlaceWindow();
    void OnPreviewMouseDown(int button, int x, int y, bool layerHit);
    void OnPreviewWheel(int delta);
    void ClearPreviewLayers();
    void BuildLeftPages(QWidget* pageEdit, QWidget* pageObject, QWidget* pagePrint);
    void ShowResizeFields(int width, int height);
    void BuildEditPage(QWidget* pageEdit);
    void ShowResizeFieldValues();
    void ConnectToneTools();
    // Moves a contrast-panel slider as part of a command; an error of the change it fires ends
    // that command.
    void SetToneSlider(QSlider* slider, int position);
    void SetEditZoom(int zoomStep);
    void SetObjectKind(int kind, const QString& mask);
    void FlattenPreviewLayers();
    void CreateDecorationTools(QWidget* pageObject);
    void HideClipArtTools();
    void ShowTextInput();
    QAction* MakeAction(const QString& caption, const QString& hint, const QString& shortcut,
                        void (TfrmMain::*handler)());

    std::unique_ptr<PlatformServices> ownedServices_;
    PlatformServices* services_ = nullptr;
    TSettings& settings_;
    bool shownOnce_ = false;
    bool exitDone_ = false;
    QSize lastNormalSize_;
    int lastState_ = 0; // 0 normal or 2 maximized, as stored at exit
    QPoint lastPos_;
    bool snapping_ = false;
    bool toneResetting_ = false;
    std::exception_ptr toneError_;
};

} // namespace lumetta::ui
