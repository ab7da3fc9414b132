#pragma once
// The platform services of the GUI tests and the window benchmarks.
#include "ui/PlatformServices.h"

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace lumetta::ui {

// Answers from queues filled by a test; records every request. An empty queue answers
// "cancel" (or No / Cancel for a message box) so a forgotten answer never blocks a test.
class ScriptedPlatformServices : public PlatformServices {
public:
    struct Message {
        QString caption, text;
        MessageIcon icon;
        MessageButtons buttons;
    };

    std::deque<MessageResult> messageAnswers;
    std::deque<std::optional<FileDialogResult>> openAnswers;
    std::deque<std::optional<FileDialogResult>> saveAnswers;
    std::deque<std::optional<TFontDesc>> fontAnswers;
    std::deque<std::optional<QColor>> colorAnswers;
    // Installed printers; the current one is a PDF printer on A4 paper without unprintable
    // borders, writing printerOutput at printerResolution dots per inch.
    int printerCount = 0;
    QString printerOutput;
    int printerResolution = 600;
    int printerSetups = 0; // printer setup dialogs shown
    std::deque<std::optional<PrintDialogResult>> printAnswers;
    std::vector<PrintDialogRequest> printRequests;

    ScriptedPlatformServices();
    ~ScriptedPlatformServices() override;
    int PrinterCount() override { return printerCount; }
    void PrinterSetupDialog(QWidget* parent) override;
    std::optional<PrintDialogResult> PrintDialog(QWidget* parent,
                                                 const PrintDialogRequest& request) override;
    QPrinter& CurrentPrinter() override;
    // "Save as PDF…" (with no printer installed): answered from pdfAnswers; on an answer the PDF
    // printer (pdfResolution dots per inch) writes pdfFile.
    std::deque<std::optional<PrintDialogResult>> pdfAnswers;
    std::vector<PrintDialogRequest> pdfRequests;
    std::vector<QString> pdfProposals; // the file each dialog proposed
    QString pdfFile;
    int pdfResolution = 1200;
    std::optional<PrintDialogResult> SaveAsPdfDialog(QWidget* parent,
                                                     const PrintDialogRequest& request,
                                                     const QString& proposedFile) override;
    QPrinter& PdfPrinter() override;

private:
    std::unique_ptr<QPrinter> printer_;    // created on first use
    std::unique_ptr<QPrinter> pdfPrinter_; // created on first use

public:
    std::vector<Message> messages;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    std::vector<QString> openedUrls;
    // When set, no handler can open anything: OpenUrl reports this reason.
    QString openUrlFailure;
    std::vector<QColor> colorStarts; // the colour each colour dialog started with
    // The clipboard as a test sets it (another program's copy: a picture alone) or as
    // SetClipboardPicture leaves it; clipboardWrites counts the calls.
    std::optional<QImage> clipboardPicture;
    std::optional<QByteArray> clipboardAlphaBlock;
    int clipboardWrites = 0;
    int beeps = 0;

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
