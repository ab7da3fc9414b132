#pragma once
// The two small stay-on-top windows that float beside the main window: the clip-art tools
// (six buttons that act on the selected layer) and the text input (a line of text and three
// buttons). Both are created at start-up, hidden, and only shown and hidden afterwards.
#include <QToolButton>
#include <QWidget>

class QAction;
class QLineEdit;

namespace lumetta::ui {

// A window whose client area is the vertical gradient from RGB (224, 228, 254) at the top to
// RGB (166, 179, 253) at the bottom.
class GradientToolWindow : public QWidget {
    Q_OBJECT
public:
    GradientToolWindow(QWidget* owner, const QSize& clientSize);

    // Shows the window; the first time it is centred on its owner, later it appears where it
    // was last placed.
    void ShowBesideOwner();
    bool ShownBefore() const { return shownBefore_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    QToolButton* AddButton(const QIcon& icon, const QString& hint, int x, int y);

private:
    QWidget* owner_;
    bool shownBefore_ = false;
};

class TfrmClipArtTools : public GradientToolWindow {
    Q_OBJECT
public:
    explicit TfrmClipArtTools(QWidget* owner);

    // Each button runs its command.
    void SetCommands(QAction* del, QAction* apply, QAction* flipHorz, QAction* flipVert,
                     QAction* rotate90, QAction* rotate270);

    QToolButton* btnDel;
    QToolButton* btnFlattenLayers;
    QToolButton* btnFlipHorz;
    QToolButton* btnFlipVert;
    QToolButton* btnRotate90;
    QToolButton* btnRotate270;
};

class TfrmTextInput : public GradientToolWindow {
    Q_OBJECT
public:
    explicit TfrmTextInput(QWidget* owner);

    QLineEdit* edtText;
    QToolButton* btnSetFont;
    QToolButton* btnAdd;
    QToolButton* btnCancel;

signals:
    void setFontClicked();
    // The text to add (not empty); the window has already emptied its edit box and hidden.
    void addClicked(const QString& text);

private:
    void Add();
};

} // namespace lumetta::ui
