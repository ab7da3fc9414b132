#include "output/PrintLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lumetta {

int MulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
    if (c == 0) return 0;
    std::int64_t n = a * b;
    // Round the magnitude, then restore the sign: halves go away from zero.
    const bool negative = (n < 0) != (c < 0);
    n = std::llabs(n);
    const std::int64_t d = std::llabs(c);
    const std::int64_t q = (n + d / 2) / d;
    return int(negative ? -q : q);
}

int Half(int n) {
    return int(std::lrint(0.5 * n));
}

TJvDeviceInfo DeviceInfoFromPrinter(const TPrinterMetrics& p) {
    TJvDeviceInfo info;
    info.ReferenceHandle = p.Name;
    info.LogPixelsX = p.DpiX;
    info.LogPixelsY = p.DpiY;
    info.PageWidth = p.PageWidth;
    info.PageHeight = p.PageHeight;
    info.PhysicalWidth = std::max(p.PageWidth, p.PhysicalWidth);
    info.PhysicalHeight = std::max(p.PageHeight, p.PhysicalHeight);
    info.OffsetLeft = p.OffsetX;
    info.OffsetTop = p.OffsetY;
    info.OffsetRight = info.PageWidth == info.PhysicalWidth
                           ? info.OffsetLeft
                           : std::max(0, info.PhysicalWidth - info.PageWidth - info.OffsetLeft);
    info.OffsetBottom = info.PageHeight == info.PhysicalHeight
                            ? info.OffsetTop
                            : std::max(0, info.PhysicalHeight - info.PageHeight - info.OffsetTop);
    return info;
}

void WidenMarginsToHalfInch(TJvDeviceInfo& info) {
    info.OffsetLeft = std::max(Half(info.LogPixelsX), info.OffsetLeft);
    info.OffsetRight = std::max(Half(info.LogPixelsX), info.OffsetRight);
    info.OffsetTop = std::max(Half(info.LogPixelsY), info.OffsetTop);
    info.OffsetBottom = std::max(Half(info.LogPixelsY), info.OffsetBottom);
}

bool PageFitsPrinter(const TJvDeviceInfo& info, const TPrinterMetrics& printer) {
    if (!info.ReferenceHandle.empty() && info.ReferenceHandle != printer.Name) return false;
    if (info.LogPixelsX <= 0 || info.LogPixelsY <= 0 || printer.DpiX <= 0 || printer.DpiY <= 0)
        return false;
    // a / da against b / db inches, as a * db against b * da. Printers report paper sizes
    // rounded to points, so lengths within two points (1/36 inch, da * db / 36 on that scale)
    // are the same.
    struct Axis {
        std::int64_t da, db;
        std::int64_t Compare(std::int64_t a, std::int64_t b) const { return a * db - b * da; }
        std::int64_t Tolerance() const { return da * db / 36; }
    };
    const Axis x{info.LogPixelsX, printer.DpiX};
    const Axis y{info.LogPixelsY, printer.DpiY};
    const TRect print = info.PrintRect();
    const bool sameSheet =
        std::abs(x.Compare(info.PhysicalWidth, printer.PhysicalWidth)) <= x.Tolerance() &&
        std::abs(y.Compare(info.PhysicalHeight, printer.PhysicalHeight)) <= y.Tolerance();
    const bool inside = x.Compare(print.Left, printer.OffsetX) >= -x.Tolerance() &&
                        y.Compare(print.Top, printer.OffsetY) >= -y.Tolerance() &&
                        x.Compare(print.Right, std::int64_t(printer.OffsetX) + printer.PageWidth) <=
                            x.Tolerance() &&
                        y.Compare(print.Bottom, std::int64_t(printer.OffsetY) +
                                                    printer.PageHeight) <= y.Tolerance();
    return sameSheet && inside;
}

TRect FitPictureRect(int w, int h, const TRect& printRect) {
    const int W = printRect.Width();
    const int H = printRect.Height();
    int dw = W, dh = H;
    if (w > 0 && h > 0) {
        const double r = double(w) / double(h);
        if (h < w) {
            dw = W;
            dh = int(std::trunc(W / r));
            if (dh > H) {
                dh = H;
                dw = int(std::trunc(H * r));
            }
        } else {
            dh = H;
            dw = int(std::trunc(H * r));
            if (dw > W) {
                dw = W;
                dh = int(std::trunc(W / r));
            }
        }
    }
    const int left = printRect.Left + (W - dw) / 2;
    const int top = printRect.Top + (H - dh) / 2;
    return {left, top, left + dw, top + dh};
}

int TJvPreviewPageOptions::EffectiveHorzSpacing() const {
    return std::max(std::abs(Shadow.Offset), HorzSpacing);
}

int TJvPreviewPageOptions::EffectiveVertSpacing() const {
    return std::max(std::abs(Shadow.Offset), VertSpacing);
}

int TPreviewLayout::ScreenWidthOfSheet() const {
    return MulDiv(DeviceInfo.PhysicalWidth, ScreenDpiX, DeviceInfo.LogPixelsX);
}

int TPreviewLayout::ScreenHeightOfSheet() const {
    return MulDiv(DeviceInfo.PhysicalHeight, ScreenDpiY, DeviceInfo.LogPixelsY);
}

namespace {
int CeilDiv(int p, int c) {
    return p / c + (p % c != 0 ? 1 : 0);
}
} // namespace

void TPreviewLayout::SizePass() {
    const int scale = Options.Scale();
    const auto toX = [&](int dots) {
        return MulDiv(MulDiv(dots, ScreenDpiX, DeviceInfo.LogPixelsX), scale, 100);
    };
    const auto toY = [&](int dots) {
        return MulDiv(MulDiv(dots, ScreenDpiY, DeviceInfo.LogPixelsY), scale, 100);
    };
    PageWidth = toX(DeviceInfo.PhysicalWidth);
    PageHeight = toY(DeviceInfo.PhysicalHeight);
    PageRect = {0, 0, PageWidth, PageHeight};
    PrintRect = {toX(DeviceInfo.OffsetLeft), toY(DeviceInfo.OffsetTop),
                 PageWidth - toX(DeviceInfo.OffsetRight),
                 PageHeight - toY(DeviceInfo.OffsetBottom)};

    const int hs = HS(), vs = VS();
    const int P = PageCount;
    const auto mode = Options.ScaleMode;
    if (mode == smFullPage || mode == smPageWidth) {
        ShownCols = ShownRows = 1;
    } else if (PageWidth >= ClientWidth || (PageHeight >= ClientHeight && mode == smColsRows)) {
        ShownCols = ShownRows = 1;
    } else if (mode == smAutoScale) {
        ShownCols = std::max(1, std::min(P, std::max(1, (ClientWidth - hs) / (PageWidth + hs))));
        ShownRows = std::min(std::max(1, (ClientHeight - vs) / (PageHeight + vs)), TotalRows);
        if (ShownRows > 1 && P < ShownRows * ShownCols)
            ShownRows = std::min(CeilDiv(P, ShownCols), TotalRows);
        // Without pages the row count above drops to 0; one empty slot is still shown.
        ShownRows = std::max(1, ShownRows);
        if (2 * hs + PageWidth >= ClientWidth || 2 * vs + PageHeight >= ClientHeight) {
            ShownCols = ShownRows = 1;
            Options.SetScale(FitScale());
        }
    } else {
        const int cols = Options.Cols();
        ShownCols = std::max(1, std::min(cols, P));
        ShownRows = std::max(1, std::min(Options.Rows(), CeilDiv(P, cols)));
    }
    TotalRows = std::max(1, CeilDiv(P, ShownCols));
    ContentWidth = (hs + PageWidth) * ShownCols + hs;
    ContentHeight = (vs + PageHeight) * TotalRows + vs;
}

void TPreviewLayout::ScalePass() {
    switch (Options.ScaleMode) {
    case smFullPage:
        Options.SetCols(1);
        Options.SetRows(1);
        Options.SetScale(FitScale());
        break;
    case smPageWidth:
        Options.SetCols(1);
        Options.SetRows(1);
        Options.SetScale(
            MulDiv(ClientWidth - 2 * HS() - ScrollBarHeight, 100, ScreenWidthOfSheet()));
        break;
    case smScale:
        ShownCols = std::min(ShownCols, Options.Cols());
        ShownRows = std::min(ShownRows, Options.Rows());
        break;
    case smAutoScale:
        Options.SetCols(ShownCols);
        Options.SetRows(ShownRows);
        TotalRows = std::max(1, CeilDiv(PageCount, ShownCols));
        break;
    case smColsRows:
        Options.SetScale(FitScale());
        break;
    }
}

void TPreviewLayout::Update() {
    SizePass();
    ScalePass();
    SizePass();
}

int TPreviewLayout::FitScale() const {
    const int vs = VS(), hs = HS();
    const int h = (ClientHeight - vs) / std::max(1, ShownRows) - 2 * vs;
    const int w = (ClientWidth - hs) / std::max(1, ShownCols) - 2 * hs;
    const int hp = h != 0 ? MulDiv(h, 100, ScreenHeightOfSheet()) : 0;
    const int wp = w != 0 ? MulDiv(w, 100, ScreenWidthOfSheet()) : 0;
    if (hp != 0 && wp != 0) return std::min(hp, wp);
    return hp != 0 ? hp : wp;
}

bool TPreviewLayout::PageMode() const {
    switch (Options.ScaleMode) {
    case smFullPage:
    case smAutoScale:
    case smColsRows:
        return true;
    case smScale:
        return 2 * VS() + PageHeight <= ClientHeight;
    default:
        return false;
    }
}

int TPreviewLayout::HorzRange() const {
    return std::max(0, ContentWidth - ClientWidth);
}

int TPreviewLayout::VertRange() const {
    return PageCount > 0 ? std::max(0, ContentHeight - ClientHeight) : 0;
}

int TPreviewLayout::HorzStep() const {
    return std::max(1, PageWidth / 3);
}

int TPreviewLayout::VertStep() const {
    int step = VS() + PageHeight;
    if (!PageMode()) step /= 3;
    return std::max(1, step);
}

int TPreviewLayout::OriginX(int hScroll) const {
    return std::max(HS(), (ClientWidth - (HS() + PageWidth) * ShownCols) / 2) - hScroll;
}

int TPreviewLayout::OriginY(int vScroll) const {
    const int y0 =
        PageMode() ? std::max(VS(), (ClientHeight - (VS() + PageHeight) * ShownRows) / 2) : VS();
    return y0 - vScroll;
}

TRect TPreviewLayout::SlotPageRect(int i, int hScroll, int vScroll) const {
    const int c = i % ShownCols, k = i / ShownCols;
    const int x = OriginX(hScroll) + c * (HS() + PageWidth);
    const int y = OriginY(vScroll) + k * (VS() + PageHeight);
    return {x, y, x + PageWidth, y + PageHeight};
}

TRect TPreviewLayout::SlotPrintRect(int i, int hScroll, int vScroll) const {
    const TRect page = SlotPageRect(i, hScroll, vScroll);
    return {page.Left + PrintRect.Left, page.Top + PrintRect.Top, page.Left + PrintRect.Right,
            page.Top + PrintRect.Bottom};
}

int TPreviewLayout::PageAt(int x, int y, int hScroll, int vScroll) const {
    for (int i = 0; i < PageCount; ++i) {
        const TRect r = SlotPageRect(i, hScroll, vScroll);
        if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return i;
    }
    return -1;
}

std::vector<int> PrintSheetOrder(int from, int to, int pageCount, int copies, bool collate) {
    std::vector<int> order;
    const auto clampIndex = [&](int i) { return i < 0 || i >= pageCount ? pageCount - 1 : i; };
    from = clampIndex(from);
    to = clampIndex(to);
    if (from < 0 || to < 0) return order;
    const int n = std::max(1, copies);
    const int step = from <= to ? 1 : -1;
    const int count = std::abs(to - from) + 1;
    if (collate) {
        for (int copy = 0; copy < n; ++copy)
            for (int k = 0; k < count; ++k)
                order.push_back(from + k * step);
    } else {
        for (int k = 0; k < count; ++k)
            for (int copy = 0; copy < n; ++copy)
                order.push_back(from + k * step);
    }
    return order;
}

} // namespace lumetta
