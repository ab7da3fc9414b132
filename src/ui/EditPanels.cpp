#include "ui/EditPanels.h"

#include "ui/Artwork.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace lumetta::ui {

// ------------------------------------------------------------------ size field

TSizeEdit::TSizeEdit(QWidget* parent) : QLineEdit(parent) {
    // Pasted or dropped text gets the same rule as typed characters: digits only.
    setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
}

void TSizeEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    // Keys with Ctrl are the field's editing commands (select all, copy, paste, undo), not
    // typing; Delete types nothing, although some platforms report it as the character 127.
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (!typed.isEmpty() && !command && event->key() != Qt::Key_Delete && KeyFilter) {
        const char32_t c = typed.size() == 1 ? char32_t(typed.front().unicode()) : 0;
        if (!KeyFilter(c)) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TSizeEdit::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    // A held key repeats its press, but counts as released once, when it is let go.
    if (event->isAutoRepeat()) return;
    emit keyReleased();
}

// ------------------------------------------------------------------ panels

namespace {
constexpr int kToolButtonSize = 25;
} // namespace

namespace {

// The group's rounded border and light background, painted directly: a style sheet would put
// every control of the panel through the slower style-sheet style.
class TGroupFrame : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0xa6, 0xb3, 0xd9), 1));
        p.setBrush(QColor(0xf7, 0xf8, 0xfd));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
};

// The caption strip: a vertical gradient with a line under it.
class TGroupHeader : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override {
        {
            QPainter p(this);
            QLinearGradient g(0, 0, 0, height());
            g.setColorAt(0, QColor(0xe0, 0xe4, 0xfe));
            g.setColorAt(1, QColor(0xb9, 0xc5, 0xfc));
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            QPainterPath strip;
            strip.addRoundedRect(QRectF(rect()), 2, 2);
            // Only the top corners are round.
            strip.addRect(QRectF(0, height() / 2.0, width(), height() / 2.0));
            strip.setFillRule(Qt::WindingFill);
            p.drawPath(strip);
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(QColor(0xa6, 0xb3, 0xd9));
            p.drawLine(0, height() - 1, width() - 1, height() - 1);
        }
        QLabel::paintEvent(event);
    }
};

} // namespace

QFrame* MakeGroup(QWidget* parent, const QString& objectName, const QString& title,
                  QVBoxLayout*& body) {
    auto* group = new TGroupFrame(parent);
    group->setObjectName(objectName);
    group->setFrameShape(QFrame::NoFrame);
    auto* outer = new QVBoxLayout(group);
    outer->setContentsMargins(1, 1, 1, 1);
    outer->setSpacing(0);

    auto* header = new TGroupHeader(title, group);
    header->setObjectName(QStringLiteral("GroupHeader"));
    QFont font = header->font();
    font.setBold(true);
    header->setFont(font);
    header->setFixedHeight(20);
    header->setContentsMargins(11, 0, 6, 0);
    QPalette palette = header->palette();
    palette.setColor(QPalette::WindowText, QColor(0x1d, 0x2a, 0x63));
    header->setPalette(palette);
    outer->addWidget(header);

    body = new QVBoxLayout;
    body->setContentsMargins(6, 6, 6, 6);
    body->setSpacing(4);
    outer->addLayout(body);
    return group;
}

void PutInScroller(QWidget* page, QWidget* column) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroller = new QScrollArea(page);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setWidgetResizable(true);
    scroller->viewport()->setAutoFillBackground(false);
    column->setAutoFillBackground(false);
    scroller->setWidget(column);
    layout->addWidget(scroller);
}

TEditPanels::TEditPanels(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(6);
    column->addWidget(BuildTools());
    column->addWidget(BuildContrast());
    column->addWidget(BuildResize());
    column->addStretch(1);
}

QWidget* TEditPanels::BuildTools() {
    QVBoxLayout* body = nullptr;
    plEditTools =
        MakeGroup(this, QStringLiteral("plEditTools"), QStringLiteral("Edit Tools"), body);
    auto* grid = new QGridLayout;
    grid->setSpacing(5);
    grid->setContentsMargins(0, 2, 0, 2);

    struct Tool {
        QToolButton** field;
        const char* name;
        const char* hint;
        EditToolGlyph glyph;
    };
    const Tool tools[kEditToolGlyphCount] = {
        {&spEditArrow, "spEditArrow", "Arrow", EditToolGlyph::Arrow},
        {&spEditSelect, "spEditSelect", "Select", EditToolGlyph::Select},
        {&pbEditCut, "pbEditCut", "Cut", EditToolGlyph::Cut},
        {&spEditCopy, "spEditCopy", "Copy", EditToolGlyph::Copy},
        {&spEditPaste, "spEditPaste", "Paste", EditToolGlyph::Paste},
        {&spEditFlipv, "spEditFlipv", "Flip Vertical", EditToolGlyph::FlipVertical},
        {&spEditAuto, "spEditAuto", "Auto Contrast", EditToolGlyph::AutoContrast},
        {&spEditAdjust, "spEditAdjust", "Adjust Contrast", EditToolGlyph::AdjustContrast},
        {&spEditFiph, "spEditFiph", "Flip Horizontal", EditToolGlyph::FlipHorizontal},
        {&spEditZoomOut, "spEditZoomOut", "Zoom Out", EditToolGlyph::ZoomOut},
        {&spEditZoomIn, "spEditZoomIn", "Zoom In", EditToolGlyph::ZoomIn},
        {&spEditZoon, "spEditZoon", "Show actual size", EditToolGlyph::ActualSize},
    };
    for (int i = 0; i < kEditToolGlyphCount; ++i) {
        auto* button = new QToolButton(plEditTools);
        button->setObjectName(QString::fromLatin1(tools[i].name));
        button->setToolTip(QString::fromLatin1(tools[i].hint));
        button->setIcon(EditToolIcon(tools[i].glyph));
        button->setIconSize(QSize(kEditToolGlyphSize, kEditToolGlyphSize));
        button->setFixedSize(kToolButtonSize, kToolButtonSize);
        button->setAutoRaise(true); // hot tracking: the button rises under the pointer
        button->setFocusPolicy(Qt::NoFocus);
        *tools[i].field = button;
        grid->addWidget(button, i / 3, i % 3);
    }

    ToolGroup = new QButtonGroup(this);
    ToolGroup->setExclusive(true);
    for (QToolButton* b : {spEditArrow, spEditSelect}) {
        b->setCheckable(true);
        ToolGroup->addButton(b);
    }
    spEditArrow->setChecked(true);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addLayout(grid);
    row->addStretch(1);
    body->addLayout(row);
    return plEditTools;
}

QWidget* TEditPanels::BuildContrast() {
    QVBoxLayout* body = nullptr;
    plContrast =
        MakeGroup(this, QStringLiteral("plContrast"), QStringLiteral("Adjust Contrast"), body);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(6);

    auto slider = [this, grid](int row, const char* labelName, const char* caption,
                               const char* sliderName, int low, int high, int start, QLabel*& label,
                               QSlider*& field) {
        label = new QLabel(QString::fromLatin1(caption), plContrast);
        label->setObjectName(QString::fromLatin1(labelName));
        field = new QSlider(Qt::Horizontal, plContrast);
        field->setObjectName(QString::fromLatin1(sliderName));
        field->setRange(low, high);
        field->setValue(start);
        field->setPageStep(10);
        field->setMinimumWidth(40); // the panel must fit the left column
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
    };
    slider(0, "lbContrast", "&Contrast:", "tbEditContrast", -100, 100, 0, lbContrast,
           tbEditContrast);
    slider(1, "lbBright", "&Bright:", "tbEditBright", -100, 100, 0, lbBright, tbEditBright);
    slider(2, "lbGamma", "&Gamma:", "tbEditGamma", 0, 500, 100, lbGamma, tbEditGamma);
    grid->setColumnStretch(1, 1);
    body->addLayout(grid);

    btnContrastOK = new QPushButton(QStringLiteral("Update"), plContrast);
    btnContrastOK->setObjectName(QStringLiteral("btnContrastOK"));
    btnContrastOK->setEnabled(false);
    btnContrastCancel = new QPushButton(QStringLiteral("Cancel"), plContrast);
    btnContrastCancel->setObjectName(QStringLiteral("btnContrastCancel"));
    // Narrower than the style's least button width, so that both fit the left column.
    btnContrastOK->setMinimumWidth(40);
    btnContrastCancel->setMinimumWidth(40);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(btnContrastOK);
    buttons->addWidget(btnContrastCancel);
    body->addSpacing(2);
    body->addLayout(buttons);

    plContrast->hide();
    return plContrast;
}

QWidget* TEditPanels::BuildResize() {
    QVBoxLayout* body = nullptr;
    plResize = MakeGroup(this, QStringLiteral("plResize"), QStringLiteral("Resize"), body);

    auto label = [this](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, plResize);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto field = [this](const char* name) {
        auto* f = new TSizeEdit(plResize);
        f->setObjectName(QString::fromLatin1(name));
        f->setEnabled(false);
        f->setMaxLength(9);
        f->setAlignment(Qt::AlignRight);
        f->setMinimumWidth(40);
        return f;
    };
    Label9 = label("Label9", QStringLiteral("Width"));
    Label10 = label("Label10", QStringLiteral("Height"));
    Label5 = label("Label5", QStringLiteral("x"));
    Label5->setAlignment(Qt::AlignCenter);
    ActHPercEdit = field("ActHPercEdit");
    ActVPercEdit = field("ActVPercEdit");
    Label9->setBuddy(ActHPercEdit);
    Label10->setBuddy(ActVPercEdit);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(1);
    grid->addWidget(Label9, 0, 0);
    grid->addWidget(Label10, 0, 2);
    grid->addWidget(ActHPercEdit, 1, 0);
    grid->addWidget(Label5, 1, 1);
    grid->addWidget(ActVPercEdit, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    body->addLayout(grid);

    SynchronCheck = new QCheckBox(QStringLiteral("SynchronCheck"), plResize);
    SynchronCheck->setObjectName(QStringLiteral("SynchronCheck"));
    SynchronCheck->setChecked(true);
    SynchronCheck->setToolTip(QStringLiteral("Keep the aspect ratio"));
    body->addWidget(SynchronCheck);

    btnSizeOK = new QPushButton(QStringLiteral("Resize"), plResize);
    btnSizeOK->setObjectName(QStringLiteral("btnSizeOK"));
    btnSizeOK->setEnabled(false);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(btnSizeOK);
    body->addLayout(row);
    return plResize;
}

} // namespace lumetta::ui
