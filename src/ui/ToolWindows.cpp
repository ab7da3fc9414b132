#include "ui/ToolWindows.h"

#include "ui/Artwork.h"

#include <QAction>
#include <QHideEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>

namespace lumetta::ui {

GradientToolWindow::GradientToolWindow(QWidget* owner, const QSize& clientSize)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      owner_(owner) {
    setFixedSize(clientSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
}

void GradientToolWindow::ShowBesideOwner() {
    if (!shownBefore_ && owner_) {
        const QRect frame = owner_->frameGeometry();
        move(frame.center() - QPoint(width() / 2, height() / 2));
    }
    shownBefore_ = true;
    show();
    raise();
}

void GradientToolWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(224, 228, 254));
    gradient.setColorAt(1, QColor(166, 179, 253));
    painter.fillRect(rect(), gradient);
}

QToolButton* GradientToolWindow::AddButton(const QIcon& icon, const QString& hint, int x, int y) {
    auto* button = new QToolButton(this);
    button->setIcon(icon);
    button->setIconSize(QSize(kSmallGlyphSize, kSmallGlyphSize));
    button->setToolTip(hint);
    button->setAutoRaise(true); // flat, highlighted under the pointer
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(x, y, 25, 25);
    return button;
}

TfrmClipArtTools::TfrmClipArtTools(QWidget* owner) : GradientToolWindow(owner, QSize(186, 29)) {
    setObjectName(QStringLiteral("frmClipArtTools"));
    setWindowTitle(QString());
    btnDel = AddButton(ClipArtToolIcon(ClipArtToolGlyph::Delete), "Delete ClipArt", 2, 2);
    btnFlattenLayers = AddButton(ClipArtToolIcon(ClipArtToolGlyph::Apply), "Apply", 32, 2);
    btnFlipHorz =
        AddButton(ClipArtToolIcon(ClipArtToolGlyph::FlipHorizontally), "Flip Horizontally", 63, 2);
    btnFlipVert =
        AddButton(ClipArtToolIcon(ClipArtToolGlyph::FlipVertically), "Flip Vertically", 93, 2);
    btnRotate90 = AddButton(ClipArtToolIcon(ClipArtToolGlyph::Rotate90),
                            QString::fromUtf8("Rotate 90°"), 124, 2);
    btnRotate270 = AddButton(ClipArtToolIcon(ClipArtToolGlyph::Rotate270),
                             QString::fromUtf8("Rotate -90°"), 155, 2);
}

void TfrmClipArtTools::SetCommands(QAction* del, QAction* apply, QAction* flipHorz,
                                   QAction* flipVert, QAction* rotate90, QAction* rotate270) {
    const std::pair<QToolButton*, QAction*> pairs[] = {
        {btnDel, del},           {btnFlattenLayers, apply}, {btnFlipHorz, flipHorz},
        {btnFlipVert, flipVert}, {btnRotate90, rotate90},   {btnRotate270, rotate270}};
    for (const auto& [button, action] : pairs) {
        if (action) connect(button, &QToolButton::clicked, action, &QAction::trigger);
    }
}

TfrmTextInput::TfrmTextInput(QWidget* owner) : GradientToolWindow(owner, QSize(273, 29)) {
    setObjectName(QStringLiteral("frmTextInput"));
    setWindowTitle(QStringLiteral("Text Input"));
    edtText = new QLineEdit(this);
    edtText->setGeometry(4, 4, 173, 21);
    btnSetFont = AddButton(TextInputIcon(TextInputGlyph::Font), "Apply", 180, 2);
    btnAdd = AddButton(TextInputIcon(TextInputGlyph::Confirm), "Apply", 212, 2);
    btnCancel = AddButton(TextInputIcon(TextInputGlyph::Cancel), "Cancel", 239, 2);
    setFocusProxy(edtText);
    connect(btnSetFont, &QToolButton::clicked, this, &TfrmTextInput::setFontClicked);
    connect(btnAdd, &QToolButton::clicked, this, &TfrmTextInput::Add);
    connect(edtText, &QLineEdit::returnPressed, this, &TfrmTextInput::Add);
    connect(btnCancel, &QToolButton::clicked, this, &QWidget::hide);
}

void TfrmTextInput::Add() {
    const QString text = edtText->text();
    edtText->clear();
    // Emitted while the window is still up, so that a change of a text layer is still on.
    if (!text.isEmpty()) emit addClicked(text);
    hide();
}

void TfrmTextInput::BeginEdit(const QString& text) {
    if (!editing_) typedBefore_ = edtText->text();
    editing_ = true;
    setWindowTitle(QStringLiteral("Edit Text"));
    edtText->setText(text);
    edtText->selectAll();
}

void TfrmTextInput::EndEdit() {
    if (!editing_) return;
    editing_ = false;
    setWindowTitle(QStringLiteral("Text Input"));
    edtText->setText(typedBefore_);
    typedBefore_.clear();
}

void TfrmTextInput::hideEvent(QHideEvent* event) {
    GradientToolWindow::hideEvent(event);
    if (!event->spontaneous()) emit hidden();
}

} // namespace lumetta::ui
