#include "ui/FontDialog.h"

#include "ui/QtTextRasterizer.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumetta::ui {

namespace {
QColor FromWinColor(TWinColor c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}
TWinColor ToWinColor(const QColor& c) {
    return TWinColor(c.red()) | (TWinColor(c.green()) << 8) | (TWinColor(c.blue()) << 16);
}
QIcon Swatch(const QColor& color) {
    QPixmap pixmap(32, 16);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}
} // namespace

TFontColorDialog::TFontColorDialog(const TFontDesc& start, QWidget* parent)
    : QDialog(parent), color_(FromWinColor(start.Color)), start_(start) {
    setWindowTitle(QStringLiteral("Font"));
    auto* layout = new QVBoxLayout(this);

    // Qt's font chooser, embedded as a plain widget without its own buttons.
    fonts_ = new QFontDialog(ToQFont(start, true), this);
    fonts_->setWindowFlags(Qt::Widget);
    fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    layout->addWidget(fonts_);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(QStringLiteral("&Color:"), this));
    colorButton_ = new QPushButton(this);
    colorButton_->setObjectName(QStringLiteral("btnColor"));
    colorButton_->setIconSize(QSize(32, 16));
    colorRow->addWidget(colorButton_);
    sample_ = new QLabel(this);
    sample_->setMinimumHeight(48);
    sample_->setFrameShape(QFrame::StyledPanel);
    sample_->setAlignment(Qt::AlignCenter);
    colorRow->addWidget(sample_, 1);
    layout->addLayout(colorRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(colorButton_, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(color_, this, QStringLiteral("Text Colour"));
        if (c.isValid()) SetColor(c);
    });
    connect(fonts_, &QFontDialog::currentFontChanged, this, [this] { UpdateSample(); });
    SetColor(color_);
}

void TFontColorDialog::SetColor(const QColor& color) {
    color_ = color;
    colorButton_->setIcon(Swatch(color_));
    UpdateSample();
}

void TFontColorDialog::UpdateSample() {
    QFont f = fonts_->currentFont();
    f.setPointSize(std::min(f.pointSize() > 0 ? f.pointSize() : 12, 28));
    sample_->setFont(f);
    sample_->setText(QStringLiteral("AaBbYyZz"));
    QPalette p = sample_->palette();
    p.setColor(QPalette::WindowText, color_);
    sample_->setPalette(p);
}

TFontDesc TFontColorDialog::SelectedFont() const {
    const QFont chosen = fonts_->currentFont();
    TFontDesc desc = start_;
    desc.Name = chosen.family().toStdString();
    if (chosen.pointSize() > 0) desc.Size = chosen.pointSize();
    desc.Bold = chosen.bold();
    desc.Italic = chosen.italic();
    desc.Underline = chosen.underline();
    desc.StrikeOut = chosen.strikeOut();
    desc.Color = ToWinColor(color_);
    return desc;
}

} // namespace lumetta::ui
