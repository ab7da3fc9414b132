#include "ui/OptionsDialog.h"

#include "base/SafeFile.h"
#include "codecs/ImageIO.h"
#include "library/IniFile.h"
#include "tools/Settings.h"
#include "ui/AboutDialog.h"
#include "ui/PlatformServices.h"
#include "ui/WelcomeView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

namespace lumetta::ui {

QColor ColorFromSetting(std::int32_t value) {
    const auto v = std::uint32_t(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

std::int32_t SettingFromColor(const QColor& color) {
    return std::int32_t(std::uint32_t(color.red()) | (std::uint32_t(color.green()) << 8) |
                        (std::uint32_t(color.blue()) << 16));
}

std::string FindFileIgnoringCase(const std::string& folder, const std::string& name) {
    if (name.empty()) return {};
    if (FileExists(folder + name)) return folder + name;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string candidate = entry.path().filename().string();
        if (SameText(candidate, name) && entry.is_regular_file(ec)) return folder + candidate;
    }
    return {};
}

// ---------------------------------------------------------------- the swatch

TColorSwatch::TColorSwatch(QWidget* parent) : QFrame(parent) {
    setCursor(Qt::PointingHandCursor);
    setFrameShape(QFrame::Box);
    setFixedSize(60, 22);
}

void TColorSwatch::SetColor(const QColor& color) {
    color_ = color;
    update();
}

void TColorSwatch::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.fillRect(contentsRect(), color_);
    }
    QFrame::paintEvent(event);
}

void TColorSwatch::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit pressed();
}

// ---------------------------------------------------------------- the dialog

TfrmOption::TfrmOption(const TDialogContext& context) : QDialog(context.parent), owner_(context) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Standard Option"));
    setObjectName(QStringLiteral("frmOption"));
    const TSettings& settings = Settings();

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 12, 10);
    outer->setSpacing(14);
    imgLeft = MakeLeftPanelLabel(context.leftPanelBitmap, this);
    outer->addWidget(imgLeft, 0, Qt::AlignTop);

    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 12, 0, 0);
    right->setSpacing(10);
    outer->addLayout(right, 1);

    // JPEG quality.
    auto* jpeg = new QGroupBox(this);
    auto* jpegGrid = new QGridLayout(jpeg);
    cbJpgCompress = new QCheckBox(QStringLiteral("Jpg Compress"), jpeg);
    cbJpgCompress->setObjectName(QStringLiteral("cbJpgCompress"));
    lbCompress = new QLabel(QStringLiteral("Quality:"), jpeg);
    lbCompress->setObjectName(QStringLiteral("lbCompress"));
    SpinCompress = new QSlider(Qt::Horizontal, jpeg);
    SpinCompress->setObjectName(QStringLiteral("SpinCompress"));
    SpinCompress->setRange(0, 100);
    SpinCompress->setPageStep(10);
    SpinCompress->setMinimumWidth(150);
    lbQualityValue = new QLabel(jpeg);
    lbQualityValue->setObjectName(QStringLiteral("lbQualityValue"));
    lbQualityValue->setMinimumWidth(QFontMetrics(font()).horizontalAdvance("100%") + 4);
    lbQualityValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    jpegGrid->addWidget(cbJpgCompress, 0, 0, 1, 3);
    jpegGrid->addWidget(lbCompress, 1, 0);
    jpegGrid->addWidget(SpinCompress, 1, 1);
    jpegGrid->addWidget(lbQualityValue, 1, 2);
    right->addWidget(jpeg);

    // The welcome page.
    auto* desktop = new QGroupBox(this);
    auto* desktopGrid = new QGridLayout(desktop);
    lbDesktopColor = new QLabel(QStringLiteral("DesktopColor:"), desktop);
    lbDesktopColor->setObjectName(QStringLiteral("lbDesktopColor"));
    spDesktopColor = new TColorSwatch(desktop);
    spDesktopColor->setObjectName(QStringLiteral("spDesktopColor"));
    lbDesktopImage = new QLabel(QStringLiteral("Desktop Image:"), desktop);
    lbDesktopImage->setObjectName(QStringLiteral("lbDesktopImage"));
    cbDesktopImage = new QComboBox(desktop);
    cbDesktopImage->setObjectName(QStringLiteral("cbDesktopImage"));
    cbDesktopImage->setEditable(true);
    cbDesktopImage->setInsertPolicy(QComboBox::NoInsert);
    cbDesktopImage->addItems({QStringLiteral("MainBG1.bmp"), QStringLiteral("MainBG2.bmp"),
                              QStringLiteral("MainBG3.bmp")});
    desktopGrid->addWidget(lbDesktopColor, 0, 0);
    desktopGrid->addWidget(spDesktopColor, 0, 1, Qt::AlignLeft);
    desktopGrid->addWidget(lbDesktopImage, 1, 0);
    desktopGrid->addWidget(cbDesktopImage, 1, 1);
    desktopGrid->setColumnStretch(1, 1);
    right->addWidget(desktop);

    // Photos.
    auto* photos = new QGroupBox(this);
    auto* photosLayout = new QVBoxLayout(photos);
    cbUprightPhotos =
        new QCheckBox(QStringLiteral("Open photos upright (EXIF orientation)"), photos);
    cbUprightPhotos->setObjectName(QStringLiteral("cbUprightPhotos"));
    cbFitNewPhotos = new QCheckBox(QStringLiteral("Fit new photos to the window"), photos);
    cbFitNewPhotos->setObjectName(QStringLiteral("cbFitNewPhotos"));
    photosLayout->addWidget(cbUprightPhotos);
    photosLayout->addWidget(cbFitNewPhotos);
    right->addWidget(photos);
    right->addStretch(1);

    btnSave = new QPushButton(QStringLiteral("&Save"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Close"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    right->addLayout(buttons);

    // The stored values; the picture is not reloaded while the dialog opens.
    cbJpgCompress->setChecked(settings.JpgCompress);
    SpinCompress->setValue(std::clamp(settings.JpgCompressVar, 0, 100));
    spDesktopColor->SetColor(ColorFromSetting(settings.DesktopColor));
    cbDesktopImage->setEditText(QString::fromStdString(settings.DesktopBg));
    lbQualityValue->setText(QStringLiteral("%1%").arg(SpinCompress->value()));
    cbUprightPhotos->setChecked(settings.UprightPhotos);
    cbFitNewPhotos->setChecked(settings.FitNewPhotos);

    connect(SpinCompress, &QSlider::valueChanged, this,
            [this](int value) { lbQualityValue->setText(QStringLiteral("%1%").arg(value)); });
    connect(spDesktopColor, &TColorSwatch::pressed, this, [this] { spDesktopColorMouseDown(); });
    connect(cbDesktopImage, &QComboBox::editTextChanged, this,
            [this](const QString& text) { cbDesktopImageChange(text); });
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    setFixedSize(sizeHint().expandedTo(QSize(380, 210)));
    CentreOnScreen(this);
}

void TfrmOption::spDesktopColorMouseDown() {
    const std::optional<QColor> chosen = owner_.Services().ChooseColor(this, lastChosen_);
    if (!chosen || !chosen->isValid()) return;
    lastChosen_ = *chosen;
    spDesktopColor->SetColor(*chosen);
    if (owner_.welcome) owner_.welcome->SetBackground(*chosen);
}

void TfrmOption::LoadDesktopPicture(const std::string& name) {
    const std::string folder = owner_.exeDir + "Desktop/";
    std::string path = FindFileIgnoringCase(folder, name);
    // Without a match the plain path is tried, so that the error names the file looked for.
    if (path.empty()) path = folder + name;
    TBitmap32 picture;
    LoadPictureFile(picture, path);
    owner_.welcome->SetPicture(picture);
}

void TfrmOption::cbDesktopImageChange(const QString& text) {
    try {
        LoadDesktopPicture(text.toStdString());
    } catch (const std::exception&) {
        // A name that is still being typed, or no picture: the page keeps what it shows.
    }
}

void TfrmOption::btnSaveClick() {
    TSettings& settings = Settings();
    settings.JpgCompress = cbJpgCompress->isChecked();
    settings.JpgCompressVar = SpinCompress->value();
    settings.DesktopColor = SettingFromColor(spDesktopColor->Color());
    settings.DesktopBg = cbDesktopImage->currentText().toStdString();
    settings.UprightPhotos = cbUprightPhotos->isChecked();
    settings.FitNewPhotos = cbFitNewPhotos->isChecked();
    // Photos opened from now on follow it.
    SetUprightPhotos(settings.UprightPhotos);
    accept();
}

void TfrmOption::btnCancelClick() {
    const TSettings& settings = Settings();
    owner_.welcome->SetBackground(ColorFromSetting(settings.DesktopColor));
    try {
        LoadDesktopPicture(settings.DesktopBg);
    } catch (const std::exception& e) {
        reject();
        owner_.showError(e);
        return;
    }
    reject();
}

} // namespace lumetta::ui
