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

    // Changing a text layer: the box shows its text and the caption says so. EndEdit puts back
    // the caption and whatever the user had typed for new text before.
    void BeginEdit(const QString& text);
    void EndEdit();
    bool Editing() const { return editing_; }

signals:
    void setFontClicked();
    // The text to add (not empty); the window has already emptied its edit box. It hides
    // afterwards.
    void addClicked(const QString& text);
    // The window was hidden by the program or the user (not by minimising its owner).
    void hidden();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void Add();
    bool editing_ = false;
    QString typedBefore_;
};

} // namespace lumetta::ui
