#include "ui/MainWindow.h"

#include "LumettaBuild.h"
#include "base/SafeFile.h"
#include "codecs/ImageIO.h"
#include "library/ObjectLibrary.h"
#include "ui/Artwork.h"
#include "ui/ImageViewWidget.h"
#include "ui/OptionsDialog.h"
#include "ui/PlatformServices.h"
#include "ui/ThumbnailList.h"
#include "ui/ToolWindows.h"
#include "ui/WelcomeView.h"
#include "ui/WindowSnap.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <filesystem>

namespace lumetta::ui {

TfrmMain::TfrmMain(const MainWindowOptions& options) : settings_(Settings()) {
    if (options.services) {
        services_ = options.services;
    } else {
        ownedServices_ = std::make_unique<QtPlatformServices>();
        services_ = ownedServices_.get();
    }

    // Start-up: titles and caption.
    QApplication::setApplicationName(QStringLiteral("Lumetta"));
    setWindowTitle(QStringLiteral("Lumetta V") + QLatin1String(kLumettaVersion));

    // Folders: the library's, and the user's for settings, the log and imported objects.
    paths_ = ResolveAppPaths(options.exeDir.empty()
                                 ? QCoreApplication::applicationDirPath().toStdString()
                                 : options.exeDir);
    exeDir_ = paths_.ExeDir;
    dataDir_ = paths_.DataDir;
    CreateUserFolders(paths_);

    // The font of new text layers.
    textFont_ = TFontDesc{"Arial", 28, 255};

    // The object library: the full container when present, else the small one; the user's
    // imported objects over the shipped ones.
    const auto onPackMessage = [this](const std::string& message) {
        services_->ShowMessage(this, QApplication::applicationName(),
                               QString::fromStdString(message), MessageIcon::None,
                               MessageButtons::Ok);
    };
    objectPack_.SetMessageHandler(onPackMessage);
    OpenObjectLibrary(paths_.LibraryFolders(), objectPack_, placementIndex_, onPackMessage);

    LoadSettings(paths_.ConfigDir, settings_);
    SetUprightPhotos(settings_.UprightPhotos);

    CreateActions();
    CreatePages();
    doc_ = std::make_unique<TPhotoDocument>(ImgViewEdit->Model(), imgView->Model());
    doc_->OnLayerPressed = [this](TPositionedLayer*) { LayerPressed(); };
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();

    PlaceWindow();

    // The event log: loaded now, written back whenever it is cleared and at exit.
    try {
        logFile_.SetFileName(paths_.UserDir + "Log.dat");
    } catch (const std::exception&) {
        // An unreadable log starts empty.
    }
    logFile_.SetAutoSave(true);

    // The welcome picture.
    const std::string welcome = FindFileIgnoringCase(exeDir_ + "Desktop/", settings_.DesktopBg);
    if (!welcome.empty()) {
        try {
            TBitmap32 picture;
            LoadPictureFile(picture, welcome);
            ImageBG->SetPicture(picture);
        } catch (const std::exception&) {
            // A welcome picture that cannot be decoded leaves the page without one.
        }
    }

    PageListMain->setCurrentIndex(plWelcome);
    plLeft->setCurrentIndex(pgEdit);
    // Every JPEG thumbnail is listed until the first mode command sets a kind's mask. The list
    // is on a page that is not yet visible: it is built, with these folders, when first needed.
    for (const std::string& folder : paths_.ThumbnailFolders())
        thumbnailFolders_ << QString::fromStdString(folder);

    // The windows that float beside the main window, created hidden.
    frmTextInput = new TfrmTextInput(this);
    connect(frmTextInput, &TfrmTextInput::setFontClicked, this,
            [this] { RunCommand([this] { btnSetFontClick(); }); });
    connect(frmTextInput, &TfrmTextInput::addClicked, this, [this](const QString& text) {
        RunCommand([this, text] { AddTextLayer(text.toStdString()); });
    });
    // However the window goes away (Apply, Cancel, its close box), a change of a text layer ends.
    connect(frmTextInput, &TfrmTextInput::hidden, this, [this] { EndTextEdit(); });
    // A file dropped anywhere on the window opens (the preview passes on what it does not take).
    setAcceptDrops(true);
    frmClipArtTools = new TfrmClipArtTools(this);
    frmClipArtTools->SetCommands(act_.actArtDelete, act_.actArtFlattenLayers, act_.actArtFlipHorz,
                                 act_.actArtFlipVert, act_.actArtRotate90, act_.actArtRotate270);
    // The tool window leaves the keyboard to the window; after a click on it, the keys for the
    // layer and the view still work there.
    frmClipArtTools->setAttribute(Qt::WA_ShowWithoutActivating);
    frmClipArtTools->addActions(
        {act_.actArtDelete, act_.actDeselect, act_.actFitToWindow, act_.actActualSize});
}

const TBitmap32& TfrmMain::LeftPanelBitmap() {
    // The picture at the left of the Options and About dialogs, from the embedded BMP data; a
    // failure to decode it leaves it empty.
    if (!leftPanelLoaded_) {
        leftPanelLoaded_ = true;
        try {
            const QByteArray bmp = LeftPanelBmpData();
            LoadPictureData(leftPanelBitmap_,
                            reinterpret_cast<const std::uint8_t*>(bmp.constData()),
                            std::size_t(bmp.size()), "bmp", "DataEmLeft");
        } catch (const std::exception&) {
            leftPanelBitmap_.AssignNil();
        }
    }
    return leftPanelBitmap_;
}

TfrmMain::~TfrmMain() {
    RunExitSequence();
}

void TfrmMain::RunExitSequence() {
    if (exitDone_) return;
    exitDone_ = true;
    try {
        settings_.WinWidth = lastNormalSize_.width();
        settings_.WinHeight = lastNormalSize_.height();
        settings_.WinState = lastState_;
        if (isVisible()) {
            const QRect frame = frameGeometry();
            settings_.WinWidth = frame.width();
            settings_.WinHeight = frame.height();
            settings_.WinState = (windowState() & Qt::WindowMaximized) ? 2 : 0;
        }
        SaveSettings(paths_.ConfigDir, settings_);
        placementIndex_.reset();
        leftPanelBitmap_.AssignNil();
        objectPack_.Close();
        if (doc_) doc_->Close();
        HideClipArtTools();
    } catch (...) {
        // Nothing at exit is worth stopping the program's end for.
    }
}

void TfrmMain::PlaceWindow() {
    const QScreen* screen = QApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const TWindowSize fitted =
        FitWindowSize(settings_.WinWidth, settings_.WinHeight, area.width(), area.height());
    // The size the window opens with is the one stored again at exit.
    settings_.WinWidth = fitted.Width;
    settings_.WinHeight = fitted.Height;
    const QSize size(fitted.Width, fitted.Height);
    resize(size);
    move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    lastNormalSize_ = size;
    if (settings_.WinState == 2) {
        setWindowState(Qt::WindowMaximized);
        lastState_ = 2;
    } else if (settings_.WinState == 1) {
        setWindowState(Qt::WindowMinimized);
    }
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    UpdateActions();
    // The icon is drawn once the window is on the screen (nothing in the window waits for it),
    // in the sizes a window icon is shown at on this screen.
    QTimer::singleShot(
        0, this, [this] { setWindowIcon(AppIcon(int(std::ceil(64 * devicePixelRatioF())))); });
    // The stored size is the outer size; once the window manager has framed the window, take
    // the frame off so the window keeps the stored outer size from run to run.
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
        QTimer::singleShot(0, this, [this] {
            const QSize frameExtra = frameGeometry().size() - geometry().size();
            if (frameExtra.width() > 0 || frameExtra.height() > 0) {
                resize(QSize(settings_.WinWidth, settings_.WinHeight) - frameExtra);
            }
        });
    }
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // Every way of ending the program comes here (Exit, the close box, the import's restart):
    // unsaved work is asked about first, and Cancel keeps the window.
    if (!exitDone_) {
        bool goOn = false;
        RunCommand([&] { goOn = ConfirmUnsavedWork(); });
        if (!goOn) {
            event->ignore();
            return;
        }
    }
    // Remember the size and state while the window is still shown.
    const QRect frame = frameGeometry();
    lastNormalSize_ = frame.size();
    lastState_ = (windowState() & Qt::WindowMaximized) ? 2 : 0;
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) RunExitSequence();
}

void TfrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        // A minimised window keeps the state it had before: only normal and maximised count.
        if (!(windowState() & Qt::WindowMinimized))
            lastState_ = (windowState() & Qt::WindowMaximized) ? 2 : 0;
    }
}

void TfrmMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (snapping_ || !isVisible() || (windowState() & Qt::WindowMaximized)) return;
    const QScreen* screen = this->screen();
    if (!screen) return;
    const QRect frame = frameGeometry();
    const QPoint offset = SnapOffset(frame, screen->availableGeometry(), 30);
    if (offset.isNull()) return;
    snapping_ = true;
    const QRect before = frame;
    move(pos() + offset);
    MoveTouchingWindows(this, before, offset);
    snapping_ = false;
}

QString TfrmMain::ErrorText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar('.')) return message + QChar('.');
    return message;
}

void TfrmMain::ShowError(const std::exception& error) {
    services_->ShowMessage(this, QApplication::applicationName(),
                           ErrorText(QString::fromUtf8(error.what())), MessageIcon::Error,
                           MessageButtons::Ok);
}

void TfrmMain::RunCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        ShowError(e);
    } catch (...) {
        ShowError(std::runtime_error("Unexpected error"));
    }
    // What a command left behind (also a failed one) decides the enabled states.
    try {
        if (doc_) UpdateActions();
    } catch (...) {}
}

bool TfrmMain::ConfirmUnsavedWork(bool* discarded) {
    if (discarded) *discarded = false;
    if (!doc_ || !doc_->HasUnsavedWork()) return true;
    const std::string& file = doc_->CurrentPhotoFile();
    const QString name = file.empty() ? QStringLiteral("the photo")
                                      : QFileInfo(QString::fromStdString(file)).fileName();
    const MessageResult answer = services_->ShowMessage(
        this, QApplication::applicationName(), QStringLiteral("Save changes to %1?").arg(name),
        MessageIcon::Question, MessageButtons::SaveDiscardCancel);
    if (answer == MessageResult::Discard) {
        if (discarded) *discarded = true;
        return true;
    }
    if (answer != MessageResult::Save) return false;
    return SaveFile();
}

QString TfrmMain::StatusText(int panel) const {
    return panel >= 0 && panel < 3 && StatusPanel[panel] ? StatusPanel[panel]->text() : QString();
}

void TfrmMain::SetStatusText(int panel, const QString& text) {
    if (panel >= 0 && panel < 3 && StatusPanel[panel]) StatusPanel[panel]->setText(text);
}

void TfrmMain::CreateStatusBar() {
    static constexpr int kWidths[3] = {161, 150, 50};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setContentsMargins(4, 0, 4, 0);
        if (i < 2) {
            label->setFixedWidth(kWidths[i]);
            statusBar()->addWidget(label);
        } else {
            // The last panel starts at 50 pixels and takes the rest of the bar, so that long
            // object names stay readable.
            label->setMinimumWidth(kWidths[i]);
            statusBar()->addWidget(label, 1);
        }
        StatusPanel[i] = label;
    }
    statusBar()->setSizeGripEnabled(true);
}

void TfrmMain::CreatePages() {
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    PageListMain = new QStackedWidget(central);
    PageListMain->setObjectName(QStringLiteral("PageListMain"));
    ImageBG = new WelcomeView(PageListMain);
    ImageBG->setObjectName(QStringLiteral("plWelcome"));
    ImgViewEdit = new ImageViewWidget(PageListMain);
    ImgViewEdit->setObjectName(QStringLiteral("plEditPhoto"));
    imgView = new ImageViewWidget(PageListMain);
    imgView->setObjectName(QStringLiteral("plPreview"));
    imgView->SetWheelZoom(true);
    // The print preview page stays empty until Print Setup, Print Preview or Print needs it.
    pagePrintPreview_ = new QWidget(PageListMain);
    pagePrintPreview_->setObjectName(QStringLiteral("plPrintPreview"));
    PageListMain->addWidget(ImageBG);
    PageListMain->addWidget(ImgViewEdit);
    PageListMain->addWidget(imgView);
    PageListMain->addWidget(pagePrintPreview_);

    plLeft = new QStackedWidget(central);
    plLeft->setObjectName(QStringLiteral("plLeft"));
    plLeft->setFixedWidth(161);
    auto* pageEdit = new QWidget(plLeft);
    pageEdit->setObjectName(QStringLiteral("pgEdit"));
    // The object and print option pages are filled on first use (EnsureObjectPage,
    // EnsurePrintPages); only the edit tools show at start-up.
    pageObject_ = new QWidget(plLeft);
    pageObject_->setObjectName(QStringLiteral("pgObject"));
    pageObject_->setWindowTitle(QStringLiteral("Object"));
    pagePrintSet_ = new QWidget(plLeft);
    pagePrintSet_->setObjectName(QStringLiteral("pgPrintSet"));
    plLeft->addWidget(pageEdit);
    plLeft->addWidget(pageObject_);
    plLeft->addWidget(pagePrintSet_);
    BuildEditPage(pageEdit);
    CreateDecorationTools();

    connect(imgView, &ImageViewWidget::mouseReleased, this, [this] {
        // A layer the user dragged or resized is a change to the work.
        const TPositionedLayer* layer = doc_ ? doc_->SelectedLayer() : nullptr;
        if (layer && layer->Location() != layerLocationAtPress_) doc_->MarkChanged();
        UpdateActions();
    });
    connect(imgView, &ImageViewWidget::mousePressed, this,
            [this](int button, int x, int y, bool layerHit) {
                RunCommand([&] { OnPreviewMouseDown(button, x, y, layerHit); });
            });
    connect(imgView, &ImageViewWidget::wheelTurned, this,
            [this](int delta) { RunCommand([&] { OnPreviewWheel(delta); }); });
    connect(imgView, &ImageViewWidget::mouseDoubleClicked, this,
            [this](int x, int y) { RunCommand([&] { EditTextLayerAt(x, y); }); });

    layout->addWidget(plLeft);
    layout->addWidget(PageListMain, 1);
    setCentralWidget(central);
}

} // namespace lumetta::ui
