#pragma once
// The edit page's left column: the tool buttons, the contrast panel and the resize panel,
// stacked from the top. The widgets only; the main window connects them to its commands
// (MainWindowEdit.cpp).
#include <QLineEdit>
#include <QWidget>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QVBoxLayout;
class QLabel;
class QPushButton;
class QSlider;
class QToolButton;

namespace lumetta::ui {

// A left-panel group with a caption strip across its top; body receives the layout that holds
// the group's controls.
QFrame* MakeGroup(QWidget* parent, const QString& objectName, const QString& title,
                  QVBoxLayout*& body);
// Fills a left-panel page with a vertical scroller showing column, so that a tall column
// scrolls in a short window instead of setting the window's least height.
void PutInScroller(QWidget* page, QWidget* column);

// A number field of the resize panel. Every typed character goes through KeyFilter first
// (false discards it); keys that type nothing are not filtered. keyReleased is raised for
// every key released in the field, also keys that type nothing.
class TSizeEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TSizeEdit(QWidget* parent = nullptr);

    std::function<bool(char32_t typed)> KeyFilter;

signals:
    void keyReleased();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

class TEditPanels : public QWidget {
    Q_OBJECT
public:
    explicit TEditPanels(QWidget* parent = nullptr);

    // ---- tools ----
    QWidget* plEditTools;
    QToolButton* spEditArrow; // with spEditSelect an exclusive pair, Arrow down at start
    QToolButton* spEditSelect;
    QToolButton* pbEditCut;
    QToolButton* spEditCopy;
    QToolButton* spEditPaste;
    QToolButton* spEditFlipv;
    QToolButton* spEditAuto;
    QToolButton* spEditAdjust;
    QToolButton* spEditFiph;
    QToolButton* spEditZoomOut;
    QToolButton* spEditZoomIn;
    QToolButton* spEditZoon;
    QButtonGroup* ToolGroup;

    // ---- contrast (hidden at start) ----
    QWidget* plContrast;
    QLabel* lbContrast;
    QSlider* tbEditContrast;
    QLabel* lbBright;
    QSlider* tbEditBright;
    QLabel* lbGamma;
    QSlider* tbEditGamma;
    QPushButton* btnContrastOK;
    QPushButton* btnContrastCancel;

    // ---- resize ----
    QWidget* plResize;
    QLabel* Label9;
    TSizeEdit* ActHPercEdit;
    QLabel* Label5;
    QLabel* Label10;
    TSizeEdit* ActVPercEdit;
    QCheckBox* SynchronCheck;
    QPushButton* btnSizeOK;

private:
    QWidget* BuildTools();
    QWidget* BuildContrast();
    QWidget* BuildResize();
};

} // namespace lumetta::ui
