#pragma once
// Print layout arithmetic: the printer page description, fitting the picture onto the page, the
// on-screen layout of the print preview (page size, grid, scale, scroll ranges) and the order in
// which a print job sends its sheets. No drawing happens here; the preview control and the
// printing code in the interface use these numbers.
#include "imaging/Bitmap32.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumetta {

// a * b / c with a 64-bit intermediate, rounded to the nearest integer, halves away from zero.
// A zero divisor gives 0.
int MulDiv(std::int64_t a, std::int64_t b, std::int64_t c);
// 0.5 * n rounded to the nearest integer, halves to even.
int Half(int n);

// The printer page. All lengths are in printer dots; the defaults describe an A4 sheet at
// 300 dots per inch.
struct TJvDeviceInfo {
    std::string ReferenceHandle; // the printer the values were read from; empty for none
    int LogPixelsX = 300, LogPixelsY = 300;
    int PhysicalWidth = 2480, PhysicalHeight = 3507;
    int PageWidth = 2400, PageHeight = 3281;
    int OffsetLeft = 40, OffsetTop = 40, OffsetRight = 40, OffsetBottom = 40;

    TRect PageRect() const { return {0, 0, PhysicalWidth, PhysicalHeight}; }
    TRect PrintRect() const {
        return {OffsetLeft, OffsetTop, PhysicalWidth - OffsetRight, PhysicalHeight - OffsetBottom};
    }
    friend bool operator==(const TJvDeviceInfo&, const TJvDeviceInfo&) = default;
};

// What a printer reports about itself, in its own dots.
struct TPrinterMetrics {
    std::string Name;
    int DpiX = 0, DpiY = 0;
    int PageWidth = 0, PageHeight = 0;         // printable area
    int PhysicalWidth = 0, PhysicalHeight = 0; // whole sheet
    int OffsetX = 0, OffsetY = 0;              // sheet corner to printable area
};

// The page description as read from a printer.
TJvDeviceInfo DeviceInfoFromPrinter(const TPrinterMetrics& printer);
// Widens every margin to at least half an inch.
void WidenMarginsToHalfInch(TJvDeviceInfo& info);

// Whether a page made for `info` prints as it shows on `printer`: read from that printer (or
// from none), on the same sheet size, and with its print rectangle inside what the printer can
// print; lengths compare in inches, within two points (paper sizes are reported rounded to
// points). When it does not, the description must be read from that printer again.
bool PageFitsPrinter(const TJvDeviceInfo& info, const TPrinterMetrics& printer);

// Where a picture of w x h pixels lands when fitted, proportions kept and centred, into the
// print rectangle (scaled up or down).
TRect FitPictureRect(int w, int h, const TRect& printRect);

enum TJvPreviewScaleMode : int {
    smFullPage = 0,
    smPageWidth = 1,
    smScale = 2,
    smAutoScale = 3,
    smColsRows = 4
};

struct TJvPageShadow {
    int Offset = 4;
    TColor32 Color = 0xFF000000;
};

// The preview's layout options; they change only the screen preview.
class TJvPreviewPageOptions {
public:
    TJvPreviewScaleMode ScaleMode = smFullPage;
    int HorzSpacing = 8, VertSpacing = 8;
    TJvPageShadow Shadow;
    TColor32 Color = 0xFFFFFFFF; // an empty page
    bool DrawMargins = true;

    int Scale() const { return scale_; }
    void SetScale(int value) { scale_ = value < 1 ? 1 : value; }
    int Cols() const { return cols_ < 1 ? 1 : cols_; }
    void SetCols(int value) { cols_ = value == 0 ? 1 : value; }
    int Rows() const { return rows_ < 1 ? 1 : rows_; }
    void SetRows(int value) { rows_ = value; }

    // Spacings widened by a shadow larger than them.
    int EffectiveHorzSpacing() const;
    int EffectiveVertSpacing() const;

private:
    int scale_ = 35;
    int cols_ = 1;
    int rows_ = 1;
};

// The print preview's geometry for a client area, a page description and a page count.
class TPreviewLayout {
public:
    TJvPreviewPageOptions Options;
    TJvDeviceInfo DeviceInfo;
    int PageCount = 0;                     // P
    int ClientWidth = 0, ClientHeight = 0; // CW, CH
    int ScreenDpiX = 96, ScreenDpiY = 96;  // Sx, Sy
    int ScrollBarHeight = 17;              // of a horizontal scroll bar

    // Results of Update().
    int PageWidth = 0, PageHeight = 0; // PW, PH: one page on screen
    TRect PageRect, PrintRect;         // at the origin
    int ShownCols = 1, ShownRows = 1;  // C, R
    int TotalRows = 1;                 // T
    int ContentWidth = 0, ContentHeight = 0;

    // Size pass, scale pass, size pass again.
    void Update();
    void SizePass();
    void ScalePass();
    // The scale at which ShownCols x ShownRows pages fit the client area (may be 0 or less
    // when the control is too small for its spacings).
    int FitScale() const;

    int HS() const { return Options.EffectiveHorzSpacing(); }
    int VS() const { return Options.EffectiveVertSpacing(); }
    // Page mode centres the grid vertically, scrolls by whole rows and never horizontally.
    bool PageMode() const;
    int HorzRange() const; // maximum horizontal scroll position
    int VertRange() const; // maximum vertical scroll position
    int HorzStep() const;
    int VertStep() const;

    // The grid origin for the scroll positions (painting step 2).
    int OriginX(int hScroll) const;
    int OriginY(int vScroll) const;
    // Page rectangle and print rectangle of slot i (row i / C, column i % C).
    TRect SlotPageRect(int i, int hScroll, int vScroll) const;
    TRect SlotPrintRect(int i, int hScroll, int vScroll) const;
    // The page under a point, or -1 (left and top edges inclusive).
    int PageAt(int x, int y, int hScroll, int vScroll) const;

private:
    int ScreenWidthOfSheet() const;
    int ScreenHeightOfSheet() const;
};

// The page indices a print job sends, sheet after sheet. from/to are zero-based; an index
// below 0 or at least pageCount becomes pageCount - 1; from > to prints in descending order.
std::vector<int> PrintSheetOrder(int from, int to, int pageCount, int copies, bool collate);

} // namespace lumetta
