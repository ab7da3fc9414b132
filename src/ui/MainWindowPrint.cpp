// TfrmMain: Print Setup, Print Preview and Print; the print preview page and its option panel.
#include "base/Error.h"
#include "imaging/Transparency.h"
#include "ui/EditPanels.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"
#include "ui/PrintJob.h"
#include "ui/PrintPreview.h"
#include "ui/WelcomeView.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <limits>

namespace lumetta::ui {

namespace {

const QString kNoPrinter = QStringLiteral("You can print after install the printer!");

// What the printer reports, in its own dots.
TPrinterMetrics MetricsOf(QPrinter& printer) {
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toAlignedRect();
    const QRect page = printer.pageRect(QPrinter::DevicePixel).toAlignedRect();
    TPrinterMetrics m;
    m.Name = printer.printerName().toStdString();
    m.DpiX = printer.logicalDpiX();
    m.DpiY = printer.logicalDpiY();
    m.PageWidth = page.width();
    m.PageHeight = page.height();
    m.PhysicalWidth = paper.width();
    m.PhysicalHeight = paper.height();
    m.OffsetX = page.left() - paper.left();
    m.OffsetY = page.top() - paper.top();
    return m;
}

} // namespace

void TJvPreviewRenderGraphics::CreatePreview(TJvPreviewControl& control) const {
    const TJvDeviceInfo& info = control.DeviceInfo();
    control.Clear();
    for (const TJvPreviewGraphicItem& item : Items) {
        TRecordedPage page(info.PhysicalWidth, info.PhysicalHeight);
        const TRect dest =
            FitPictureRect(item.Picture.width(), item.Picture.height(), info.PrintRect());
        page.StretchDraw(QRect(dest.Left, dest.Top, dest.Width(), dest.Height()), item.Picture);
        control.AddPage(std::move(page));
    }
}

void TfrmMain::EnsurePrintPages() {
    if (PreCtlMain) return;
    BuildPrintPreviewPage(pagePrintPreview_);
    BuildPrintOptionsPage(pagePrintSet_);
}

TJvPreviewControl* TfrmMain::PrintPreviewControl() {
    EnsurePrintPages();
    return PreCtlMain;
}

TJvPreviewRenderGraphics* TfrmMain::PrintPreviewRenderer() {
    EnsurePrintPages();
    return PreImgMain;
}

TPrintOptionPanel* TfrmMain::PrintOptionPanel() {
    EnsurePrintPages();
    return PrintOptions;
}

void TfrmMain::BuildPrintPreviewPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    PreCtlMain = new TJvPreviewControl(page);
    PreCtlMain->setObjectName(QStringLiteral("PreCtlMain"));
    layout->addWidget(PreCtlMain);
    PreImgMain = new TJvPreviewRenderGraphics(this);
    PreImgMain->setObjectName(QStringLiteral("PreImgMain"));
}

void TfrmMain::BuildPrintOptionsPage(QWidget* page) {
    auto* pagePrint = new QWidget(page);
    PutInScroller(page, pagePrint);
    auto* column = new QVBoxLayout(pagePrint);
    column->setContentsMargins(4, 4, 4, 4);
    QVBoxLayout* body = nullptr;
    column->addWidget(MakeGroup(pagePrint, QStringLiteral("plPrintOption"),
                                QStringLiteral("Print Option"), body));
    column->addStretch(1);

    PrintOptions = new TPrintOptionPanel(this);
    TPrintOptionPanel& o = *PrintOptions;
    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(4);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto spin = [&](QSpinBox*& box, const char* name, const QString& label, int lo, int hi,
                    int value) {
        box = new QSpinBox(pagePrint);
        box->setObjectName(QString::fromLatin1(name));
        box->setRange(lo, hi);
        box->setValue(value);
        box->setAlignment(Qt::AlignRight);
        // The panel is narrow: the unbounded spin boxes must not ask for room for ten digits.
        box->setMinimumWidth(40);
        box->setMaximumWidth(56);
        form->addRow(label, box);
    };
    const int noMaximum = std::numeric_limits<int>::max();
    spin(o.edCols, "edCols", QStringLiteral("Columns:"), 1, noMaximum, 1);
    spin(o.edRows, "edRows", QStringLiteral("Rows:"), 1, noMaximum, 1);
    spin(o.edShadow, "edShadow", QStringLiteral("Shadow:"), 0, 30, 4);
    spin(o.edScale, "edScale", QStringLiteral("Scale:"), 10, 200, 100);
    spin(o.edVert, "edVert", QStringLiteral("Vert:"), 0, 30, 8);
    spin(o.edHorz, "edHorz", QStringLiteral("Horz:"), 0, 30, 8);
    body->addLayout(form);
    body->addWidget(new QLabel(QStringLiteral("Scale Mode:"), pagePrint));
    o.cbScaleMode = new QComboBox(pagePrint);
    o.cbScaleMode->setObjectName(QStringLiteral("cbScaleMode"));
    o.cbScaleMode->addItems({QStringLiteral("Full Page"), QStringLiteral("Page Width"),
                             QStringLiteral("Use Scale"), QStringLiteral("Use Auto Scale"),
                             QStringLiteral("Use Cols and Rows")});
    o.cbScaleMode->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    o.cbScaleMode->setMinimumContentsLength(8);
    body->addWidget(o.cbScaleMode);
    body->addSpacing(4);
    o.btnprintSetup = new QPushButton(QStringLiteral("Printer Setup"), pagePrint);
    o.btnprintSetup->setObjectName(QStringLiteral("btnprintSetup"));
    body->addWidget(o.btnprintSetup);

    // The controls' start values stay out of the options until the user changes them.
    auto bind = [this](QSpinBox* box, void (*set)(TJvPreviewPageOptions&, int)) {
        connect(box, &QSpinBox::valueChanged, this, [this, set](int value) {
            RunCommand([&] {
                set(PreCtlMain->Options(), value);
                PreCtlMain->UpdateLayout();
            });
        });
    };
    bind(o.edCols, [](TJvPreviewPageOptions& p, int v) { p.SetCols(v); });
    bind(o.edRows, [](TJvPreviewPageOptions& p, int v) { p.SetRows(v); });
    bind(o.edShadow, [](TJvPreviewPageOptions& p, int v) { p.Shadow.Offset = v; });
    bind(o.edScale, [](TJvPreviewPageOptions& p, int v) { p.SetScale(v); });
    bind(o.edVert, [](TJvPreviewPageOptions& p, int v) { p.VertSpacing = v; });
    bind(o.edHorz, [](TJvPreviewPageOptions& p, int v) { p.HorzSpacing = v; });
    connect(o.cbScaleMode, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < smFullPage || index > smColsRows) return;
        RunCommand([&] {
            PreCtlMain->Options().ScaleMode = TJvPreviewScaleMode(index);
            PreCtlMain->UpdateLayout();
            PrintOptions->cbScaleMode->setCurrentIndex(PreCtlMain->Options().ScaleMode);
        });
    });
    connect(o.btnprintSetup, &QPushButton::clicked, this,
            [this] { RunCommand([this] { actPrintSetupExecute(); }); });
}

void TfrmMain::BuildPrintPreview() {
    // The picture is chosen once, when the print preview is made (see actPrintPreviewExecute),
    // so that rebuilds for another printer show the same picture. Paper has no transparency:
    // the page carries the picture flattened onto white, as the file types without alpha do.
    EnsurePrintPages();
    TJvPreviewGraphicItem item;
    item.Picture = ImageOf(FlattenedOnto(printSource_)).convertToFormat(QImage::Format_RGB32);
    PreImgMain->Items.clear();
    PreImgMain->Items.push_back(std::move(item));
    PreImgMain->CreatePreview(*PreCtlMain);
}

void TfrmMain::actPrintSetupExecute() {
    if (services_->PrinterCount() == 0) {
        services_->ShowMessage(this, QStringLiteral("Error"), kNoPrinter, MessageIcon::Error,
                               MessageButtons::Ok);
        return;
    }
    // Cancel keeps the printer as it was; its page is read all the same.
    services_->PrinterSetupDialog(this);
    EnsurePrintPages();
    TJvDeviceInfo info = DeviceInfoFromPrinter(MetricsOf(services_->CurrentPrinter()));
    WidenMarginsToHalfInch(info);
    PreCtlMain->SetDeviceInfo(info);
    // From the print preview the pages keep their picture; elsewhere the page in view is
    // taken, as Print Preview would.
    if (PageListMain->currentIndex() != plPrintPreview || printSource_.Empty())
        doc_->PictureInView(OutputPage(), printSource_);
    BuildPrintPreview();
}

void TfrmMain::actPrintPreviewExecute() {
    // What the page in view shows, layers included (they stay on the preview); uncommitted
    // edits of the edit page are committed first.
    if (plLeft->currentIndex() != pgPrintSet || printSource_.Empty())
        doc_->PictureInView(OutputPage(), printSource_);
    BuildPrintPreview();
    PageListMain->setCurrentIndex(plPrintPreview);
    plLeft->setCurrentIndex(pgPrintSet);
}

void TfrmMain::actPrintExecute() {
    // Without a printer the job goes to a PDF file ("Save as PDF…"), from the same preview.
    if (PageListMain->currentIndex() != plPrintPreview) {
        actPrintPreviewExecute();
        return;
    }
    EnsurePrintPages();
    int pageCount = PreCtlMain->PageCount();
    PrintDialogRequest request;
    request.pageNumbers = pageCount > 0;
    if (pageCount > 0) {
        request.fromPage = 1;
        request.toPage = pageCount;
    }
    const QFileInfo photo(QString::fromStdString(doc_->CurrentPhotoFile()));
    const QString proposedPdf = QDir(QString::fromStdString(settings_.ScrIniPath))
                                    .filePath(photo.completeBaseName() + QStringLiteral(".pdf"));
    const auto target = AskPrintTarget(*services_, this, request, proposedPdf);
    if (!target) return;
    const PrintDialogResult& job = target->job;
    QPrinter& printer = *target->printer;
    if (printer.printerState() == QPrinter::Active) return;
    printer.setDocName(QString::fromStdString(doc_->CurrentPhotoFile()));

    // The page follows the printer and paper chosen in the dialog: when the pages were not made
    // for them, the description is read from that printer as Print Setup does and the pages are
    // rebuilt, so that the preview shows what goes onto the sheet.
    const TPrinterMetrics metrics = MetricsOf(printer);
    if (!PageFitsPrinter(PreCtlMain->DeviceInfo(), metrics)) {
        TJvDeviceInfo info = DeviceInfoFromPrinter(metrics);
        WidenMarginsToHalfInch(info);
        PreCtlMain->SetDeviceInfo(info);
        BuildPrintPreview();
        pageCount = PreCtlMain->PageCount();
    }

    const int from = job.allPages ? 0 : job.fromPage - 1;
    const int to = job.allPages ? pageCount - 1 : job.toPage - 1;
    // The recorded page is in the description's dots with its corner on the sheet's corner; the
    // painter starts at the printable area's corner in printer dots.
    const TJvDeviceInfo& info = PreCtlMain->DeviceInfo();
    const double sx = double(metrics.DpiX) / info.LogPixelsX;
    const double sy = double(metrics.DpiY) / info.LogPixelsY;
    RunPrintJob(printer, PrintSheetOrder(from, to, pageCount, job.copies, job.collate),
                [&](QPainter& painter, int page) {
                    painter.translate(-metrics.OffsetX, -metrics.OffsetY);
                    painter.scale(sx, sy);
                    PreCtlMain->Page(page).Play(painter);
                });
}

} // namespace lumetta::ui
