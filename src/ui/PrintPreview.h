#pragma once
// The print preview: recorded pages (a sheet in printer dots with pictures drawn stretched onto
// it) and the control that lays them out on screen with shadows, margins and a selected page.
#include "output/PrintLayout.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QRect>

#include <vector>

class QComboBox;
class QPainter;
class QPushButton;
class QSpinBox;

namespace lumetta::ui {

// One printer sheet as a list of drawing commands in sheet dots (origin at the sheet's corner),
// so that it can be played back at printer resolution or stretched into any screen rectangle.
class TRecordedPage {
public:
    TRecordedPage(int width, int height) : width_(width), height_(height) {}
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Records a picture stretched into a rectangle of the sheet.
    void StretchDraw(const QRect& dest, const QImage& picture);
    // Plays the page back in the painter's coordinates, one sheet dot per unit, the sheet's
    // corner at the origin (the caller scales and moves the painter onto the device).
    void Play(QPainter& painter) const;
    // Renders the page stretched to size (smoothly scaled pictures on a transparent ground).
    QImage Render(const QSize& size) const;

private:
    struct Item {
        QRect dest;
        QImage picture;
    };
    int width_, height_;
    std::vector<Item> items_;
};

// A picture on the preview's page, centred, proportional and stretched (the flags are kept as
// the renderer's items carry them; the fit rule always applies all three).
struct TJvPreviewGraphicItem {
    QImage Picture;
    bool Center = true, Proportional = true, Stretch = true, Transparent = false;
};

struct TJvPreviewSelection {
    QColor Color = QColor(0, 0, 128);
    int Width = 4;
    bool Visible = true;
};

class TJvPreviewControl : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TJvPreviewControl(QWidget* parent = nullptr);

    // The page description; setting it re-runs the layout.
    const TJvDeviceInfo& DeviceInfo() const { return layout_.DeviceInfo; }
    void SetDeviceInfo(const TJvDeviceInfo& info);
    // The layout options; call UpdateLayout after changing them.
    TJvPreviewPageOptions& Options() { return layout_.Options; }
    const TPreviewLayout& Layout() const { return layout_; }

    TJvPreviewSelection Selection;
    int SelectedPage() const { return selectedPage_; }

    void Clear();
    void AddPage(TRecordedPage page);
    int PageCount() const { return int(pages_.size()); }
    const TRecordedPage& Page(int i) const { return pages_.at(std::size_t(i)); }

    // Size pass, scale pass, size pass, scroll ranges, repaint.
    void UpdateLayout();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateScrollBars();
    const QImage& RenderedPage(int i);

    TPreviewLayout layout_;
    std::vector<TRecordedPage> pages_;
    std::vector<QImage> rendered_; // each page at the current screen size
    int selectedPage_ = -1;
};

// The renderer: its picture items become the preview's pages, one sheet each.
class TJvPreviewRenderGraphics : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    std::vector<TJvPreviewGraphicItem> Items;
    // Clears the control's pages and records one sheet per item, the picture fitted into the
    // printable area.
    void CreatePreview(TJvPreviewControl& control) const;
};

// The option controls of pgPrintSet.
struct TPrintOptionPanel : QObject {
    using QObject::QObject;
    QSpinBox* edCols = nullptr;
    QSpinBox* edRows = nullptr;
    QSpinBox* edShadow = nullptr;
    QSpinBox* edScale = nullptr;
    QSpinBox* edVert = nullptr;
    QSpinBox* edHorz = nullptr;
    QComboBox* cbScaleMode = nullptr;
    QPushButton* btnprintSetup = nullptr;
};

} // namespace lumetta::ui
