#pragma once
// Everything modal or external that the program asks of the desktop goes through this one
// interface: message boxes, file / font / colour / printer dialogs, the clipboard, the shell's
// "open" and the warning beep. QtPlatformServices is the real one; the tests install a scripted
// one (tests/guisupport), which answers from queues and records what was asked.
#include "imaging/Bitmap32.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <QImage>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPrinter;
class QWidget;

namespace lumetta::ui {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, YesNo, Yes, SaveDiscardCancel };
enum class MessageResult { Ok, Yes, No, Cancel, Save, Discard };

struct FileDialogRequest {
    QString title;
    QString startFolder;
    QString fileName;       // proposed name
    QStringList filters;    // "Description (*.ext *.ext2)"
    int selectedFilter = 0; // index into filters
    QString defaultSuffix;  // without the dot
    // When set, choosing another filter makes its first pattern's extension the default suffix
    // (the save dialog of the log viewer: the type only supplies the extension).
    bool suffixFollowsFilter = false;
    // When set, the dialog shows the selected file's picture as decoded by this function
    // (a null image shows nothing).
    std::function<QImage(const QString&)> preview;
    // Save dialogs: the name the file will really get for the chosen path and filter index
    // (with an extension appended, say). The dialog asks its questions about that name and
    // returns it. Unset: the chosen path as it is.
    std::function<QString(const QString& path, int filter)> finalName;
    // Save dialogs ask before replacing an existing file; with this also before creating a new
    // one. Answering No returns to the dialog.
    bool confirmCreate = false;
};

struct FileDialogResult {
    QString path;
    int selectedFilter = 0;
};

// The print dialog: all pages, or a page range when page numbers are enabled.
struct PrintDialogRequest {
    bool pageNumbers = false;
    int fromPage = 0, toPage = 0;
};

struct PrintDialogResult {
    bool collate = false;
    int copies = 1;
    bool allPages = true;
    int fromPage = 0, toPage = 0;
};

class PlatformServices {
public:
    virtual ~PlatformServices() = default;

    // ---- printing, always on the currently selected printer ----
    virtual int PrinterCount() = 0;
    // The printer setup dialog; what the user chose is left in the current printer.
    virtual void PrinterSetupDialog(QWidget* parent) = 0;
    // Nothing when the user cancels.
    virtual std::optional<PrintDialogResult> PrintDialog(QWidget* parent,
                                                         const PrintDialogRequest& request) = 0;
    // The current printer: its metrics, and the device a print job paints on.
    virtual QPrinter& CurrentPrinter() = 0;
    // With no printer installed, printing offers "Save as PDF…" in place of the print dialog:
    // the same job settings, and the PDF file to write (proposedFile is proposed). The job then
    // goes to PdfPrinter(), which writes that file. Nothing when the user cancels.
    virtual std::optional<PrintDialogResult> SaveAsPdfDialog(QWidget* parent,
                                                             const PrintDialogRequest& request,
                                                             const QString& proposedFile) = 0;
    // Qt's PDF writer, set to the file chosen in the last SaveAsPdfDialog.
    virtual QPrinter& PdfPrinter() = 0;

    virtual MessageResult ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                                      MessageIcon icon, MessageButtons buttons) = 0;
    virtual std::optional<FileDialogResult> OpenFile(QWidget* parent,
                                                     const FileDialogRequest& request) = 0;
    virtual std::optional<FileDialogResult> SaveFile(QWidget* parent,
                                                     const FileDialogRequest& request) = 0;
    virtual std::optional<TFontDesc> ChooseFont(QWidget* parent, const TFontDesc& start) = 0;
    virtual std::optional<QColor> ChooseColor(QWidget* parent, const QColor& start) = 0;
    // Hands the web address, mail address or file to the desktop's handler. When nothing can
    // open it, `failed` (when given) is called with the reason ("no web browser is installed"),
    // possibly from the event loop after this call has returned.
    virtual void OpenUrl(const QString& urlOrPath,
                         const std::function<void(const QString& reason)>& failed = {}) = 0;
    virtual void Beep() = 0;

    // The system clipboard. SetClipboardPicture replaces everything on it with the picture,
    // offered to every program with opaque colours except as PNG, which carries the alpha, and
    // beside it the alpha block in Lumetta's private entry. The readers tell what is there now,
    // from whichever program put it.
    virtual void SetClipboardPicture(const QImage& picture, const QByteArray& alphaBlock) = 0;
    virtual bool ClipboardHasPicture() = 0;
    virtual QImage ClipboardPicture() = 0;
    // The private entry's bytes exactly; nothing when the clipboard holds no such entry.
    virtual std::optional<QByteArray> ClipboardAlphaBlock() = 0;
};

// The opaque picture with the alpha bytes of its block, as PNG; empty when the block does not
// match the picture.
QByteArray PngWithAlpha(const QImage& picture, const QByteArray& alphaBlock);

// Opens the address or file through the services; when no handler can open it, a message box
// over `parent` says so: "Cannot open NAME: reason." (nothing when parent has gone by then).
void OpenWithDesktop(PlatformServices& services, QWidget* parent, const QString& urlOrPath);

// The MIME type of the clipboard entry that carries the alpha block; on Windows Qt maps it to
// the clipboard format registered under the name "Quorlin".
QString AlphaClipboardFormat();

class QtPlatformServices : public PlatformServices {
public:
    QtPlatformServices();
    ~QtPlatformServices() override;
    int PrinterCount() override;
    void PrinterSetupDialog(QWidget* parent) override;
    std::optional<PrintDialogResult> PrintDialog(QWidget* parent,
                                                 const PrintDialogRequest& request) override;
    QPrinter& CurrentPrinter() override;
    std::optional<PrintDialogResult> SaveAsPdfDialog(QWidget* parent,
                                                     const PrintDialogRequest& request,
                                                     const QString& proposedFile) override;
    QPrinter& PdfPrinter() override;

private:
    std::unique_ptr<QPrinter> printer_;    // created on first use
    std::unique_ptr<QPrinter> pdfPrinter_; // created on first use

public:
    MessageResult ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                              MessageIcon icon, MessageButtons buttons) override;
    std::optional<FileDialogResult> OpenFile(QWidget* parent,
                                             const FileDialogRequest& request) override;
    std::optional<FileDialogResult> SaveFile(QWidget* parent,
                                             const FileDialogRequest& request) override;
    std::optional<TFontDesc> ChooseFont(QWidget* parent, const TFontDesc& start) override;
    std::optional<QColor> ChooseColor(QWidget* parent, const QColor& start) override;
    void OpenUrl(const QString& urlOrPath,
                 const std::function<void(const QString& reason)>& failed = {}) override;
    void Beep() override;
    void SetClipboardPicture(const QImage& picture, const QByteArray& alphaBlock) override;
    bool ClipboardHasPicture() override;
    QImage ClipboardPicture() override;
    std::optional<QByteArray> ClipboardAlphaBlock() override;
};

} // namespace lumetta::ui
