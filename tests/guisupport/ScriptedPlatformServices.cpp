#include "guisupport/ScriptedPlatformServices.h"

#include <QPageSize>
#include <QPrinter>

namespace lumetta::ui {

ScriptedPlatformServices::ScriptedPlatformServices() = default;
ScriptedPlatformServices::~ScriptedPlatformServices() = default;

QPrinter& ScriptedPlatformServices::CurrentPrinter() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setPageSize(QPageSize(QPageSize::A4));
        printer_->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        printer_->setResolution(printerResolution);
        printer_->setOutputFileName(printerOutput);
    }
    return *printer_;
}

QPrinter& ScriptedPlatformServices::PdfPrinter() {
    if (!pdfPrinter_) {
        pdfPrinter_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        pdfPrinter_->setOutputFormat(QPrinter::PdfFormat);
        pdfPrinter_->setPageSize(QPageSize(QPageSize::A4));
        pdfPrinter_->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        pdfPrinter_->setResolution(pdfResolution);
    }
    return *pdfPrinter_;
}

std::optional<PrintDialogResult>
ScriptedPlatformServices::SaveAsPdfDialog(QWidget*, const PrintDialogRequest& request,
                                          const QString& proposedFile) {
    pdfRequests.push_back(request);
    pdfProposals.push_back(proposedFile);
    if (pdfAnswers.empty()) return std::nullopt;
    auto answer = pdfAnswers.front();
    pdfAnswers.pop_front();
    if (answer) PdfPrinter().setOutputFileName(pdfFile);
    return answer;
}

void ScriptedPlatformServices::PrinterSetupDialog(QWidget*) {
    ++printerSetups;
}

std::optional<PrintDialogResult>
ScriptedPlatformServices::PrintDialog(QWidget*, const PrintDialogRequest& request) {
    printRequests.push_back(request);
    if (printAnswers.empty()) return std::nullopt;
    auto answer = printAnswers.front();
    printAnswers.pop_front();
    return answer;
}

namespace {
template <class T> std::optional<T> TakeFront(std::deque<std::optional<T>>& queue) {
    std::optional<T> answer;
    if (!queue.empty()) {
        answer.swap(queue.front());
        queue.pop_front();
    }
    return answer;
}
} // namespace

MessageResult ScriptedPlatformServices::ShowMessage(QWidget*, const QString& caption,
                                                    const QString& text, MessageIcon icon,
                                                    MessageButtons buttons) {
    messages.push_back({caption, text, icon, buttons});
    if (messageAnswers.empty()) {
        return buttons == MessageButtons::YesNo ? MessageResult::No
               : buttons == MessageButtons::Ok  ? MessageResult::Ok
                                                : MessageResult::Cancel;
    }
    auto answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

std::optional<FileDialogResult> ScriptedPlatformServices::OpenFile(QWidget*,
                                                                   const FileDialogRequest& r) {
    openRequests.push_back(r);
    return TakeFront(openAnswers);
}

std::optional<FileDialogResult> ScriptedPlatformServices::SaveFile(QWidget*,
                                                                   const FileDialogRequest& r) {
    saveRequests.push_back(r);
    return TakeFront(saveAnswers);
}

std::optional<TFontDesc> ScriptedPlatformServices::ChooseFont(QWidget*, const TFontDesc&) {
    return TakeFront(fontAnswers);
}

std::optional<QColor> ScriptedPlatformServices::ChooseColor(QWidget*, const QColor& start) {
    colorStarts.push_back(start);
    return TakeFront(colorAnswers);
}

void ScriptedPlatformServices::OpenUrl(const QString& urlOrPath,
                                       const std::function<void(const QString&)>& failed) {
    openedUrls.push_back(urlOrPath);
    if (!openUrlFailure.isEmpty() && failed) failed(openUrlFailure);
}

void ScriptedPlatformServices::Beep() {
    ++beeps;
}

void ScriptedPlatformServices::SetClipboardPicture(const QImage& picture,
                                                   const QByteArray& alphaBlock) {
    ++clipboardWrites;
    clipboardPicture = picture;
    clipboardAlphaBlock = alphaBlock;
}

bool ScriptedPlatformServices::ClipboardHasPicture() {
    return clipboardPicture.has_value();
}

QImage ScriptedPlatformServices::ClipboardPicture() {
    return clipboardPicture.value_or(QImage());
}

std::optional<QByteArray> ScriptedPlatformServices::ClipboardAlphaBlock() {
    return clipboardAlphaBlock;
}

} // namespace lumetta::ui
