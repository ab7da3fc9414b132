#include "output/PrintLayout.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace lumetta;

TEST(PrintArithmetic, MulDivRoundsHalvesAwayFromZeroHalfToEven) {
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, -1, 2), -3);
    EXPECT_EQ(MulDiv(7, 1, 3), 2);
    EXPECT_EQ(MulDiv(2480, 96, 300), 794);
    EXPECT_EQ(MulDiv(3507, 96, 300), 1122);
    // The product needs 64 bits.
    EXPECT_EQ(MulDiv(std::int64_t(1) << 30, std::int64_t(1) << 30, std::int64_t(1) << 30), 1 << 30);
    EXPECT_EQ(MulDiv(1, 1, 0), 0);
    EXPECT_EQ(Half(3), 2);
    EXPECT_EQ(Half(5), 2);
    EXPECT_EQ(Half(601), 300);
    EXPECT_EQ(Half(300), 150);
}

TEST(PrintArithmetic, DeviceInfoFromPrinterAndHalfInchMargins) {
    TPrinterMetrics p{"P", 600, 600, 4800, 6600, 4960, 7016, 60, 50};
    TJvDeviceInfo info = DeviceInfoFromPrinter(p);
    EXPECT_EQ(info.ReferenceHandle, "P");
    EXPECT_EQ(info.PhysicalWidth, 4960);
    EXPECT_EQ(info.OffsetRight, 4960 - 4800 - 60);
    EXPECT_EQ(info.OffsetBottom, 7016 - 6600 - 50);
    WidenMarginsToHalfInch(info);
    EXPECT_EQ(info.OffsetLeft, 300);
    EXPECT_EQ(info.OffsetTop, 300);
    EXPECT_EQ(info.OffsetRight, 300);
    EXPECT_EQ(info.OffsetBottom, 366);

    // A printable area wider than the reported sheet: the sheet grows to it and the right margin
    // mirrors the left one.
    TPrinterMetrics q{"Q", 300, 300, 2500, 3000, 2400, 3100, 12, 20};
    info = DeviceInfoFromPrinter(q);
    EXPECT_EQ(info.PhysicalWidth, 2500);
    EXPECT_EQ(info.OffsetRight, 12);
    EXPECT_EQ(info.OffsetBottom, 3100 - 3000 - 20);
}

TEST(PrintArithmetic, APageFitsAPrinterWithTheSameSheetAndRoomToPrintIt) {
    // A4 at 1200 dots per inch with no unprintable border, as a PDF writer reports it.
    TPrinterMetrics pdf;
    pdf.DpiX = pdf.DpiY = 1200;
    pdf.PhysicalWidth = pdf.PageWidth = 9921;
    pdf.PhysicalHeight = pdf.PageHeight = 14031;
    const TJvDeviceInfo defaults; // A4 at 300, margins of 40 dots
    EXPECT_TRUE(PageFitsPrinter(defaults, pdf));

    // The printer cannot print the default's narrow margins (a quarter inch each side).
    TPrinterMetrics laser = pdf;
    laser.Name = "laser";
    laser.OffsetX = laser.OffsetY = 300;
    laser.PageWidth = 9921 - 600;
    laser.PageHeight = 14031 - 600;
    EXPECT_FALSE(PageFitsPrinter(defaults, laser));
    TJvDeviceInfo fromLaser = DeviceInfoFromPrinter(laser);
    WidenMarginsToHalfInch(fromLaser);
    EXPECT_TRUE(PageFitsPrinter(fromLaser, laser));
    // Read from one printer, it does not serve another, whatever the sheet.
    EXPECT_FALSE(PageFitsPrinter(fromLaser, pdf));

    // Another sheet: US Letter at 600.
    TPrinterMetrics letter;
    letter.DpiX = letter.DpiY = 600;
    letter.PhysicalWidth = letter.PageWidth = 5100;
    letter.PhysicalHeight = letter.PageHeight = 6600;
    EXPECT_FALSE(PageFitsPrinter(defaults, letter));
    // A4 as a printer reports it, in whole points (595 x 842) at 600 dots per inch, is the
    // default's sheet.
    TPrinterMetrics a4 = letter;
    a4.PhysicalWidth = a4.PageWidth = 4958;
    a4.PhysicalHeight = a4.PageHeight = 7017;
    EXPECT_TRUE(PageFitsPrinter(defaults, a4));
    a4.PhysicalWidth = a4.PageWidth = 4980; // 8.300 against 8.267 inches
    EXPECT_FALSE(PageFitsPrinter(defaults, a4));
    TPrinterMetrics none;
    EXPECT_FALSE(PageFitsPrinter(defaults, none));
}

TEST(PrintArithmetic, FitRuleKeepsProportionsAndCentres) {
    const TRect print = TJvDeviceInfo{}.PrintRect(); // 2400 x 3427 at (40, 40)
    ASSERT_EQ(print, (TRect{40, 40, 2440, 3467}));
    // A landscape picture fills the width and sits in the middle vertically.
    EXPECT_EQ(FitPictureRect(400, 200, print), (TRect{40, 1153, 2440, 2353}));
    // A square one fills the width of a portrait sheet.
    EXPECT_EQ(FitPictureRect(100, 100, print), (TRect{40, 553, 2440, 2953}));
    // A tall one fills the height; a small picture is scaled up.
    EXPECT_EQ(FitPictureRect(200, 400, print), (TRect{383, 40, 2096, 3467}));
    // A landscape picture on a landscape area too flat for it is limited by the height.
    EXPECT_EQ(FitPictureRect(300, 200, TRect{0, 0, 1000, 500}), (TRect{125, 0, 875, 500}));
    EXPECT_EQ(FitPictureRect(0, 10, print), print);
}

namespace {
TPreviewLayout Layout(TJvPreviewScaleMode mode, int cw = 555, int ch = 432, int pages = 1) {
    TPreviewLayout l;
    l.Options.ScaleMode = mode;
    l.ClientWidth = cw;
    l.ClientHeight = ch;
    l.PageCount = pages;
    l.Update();
    return l;
}
} // namespace

TEST(PreviewLayout, FullPageReferenceCase) {
    TPreviewLayout l = Layout(smFullPage);
    EXPECT_EQ(l.Options.Scale(), 36);
    EXPECT_EQ(l.PageWidth, 286);
    EXPECT_EQ(l.PageHeight, 404);
    EXPECT_EQ(l.SlotPageRect(0, 0, 0), (TRect{130, 10, 416, 414}));
    // Margins of 40 dots: 13 screen pixels at 100 %, 5 at 36 %.
    EXPECT_EQ(l.PrintRect, (TRect{5, 5, 281, 399}));
    EXPECT_TRUE(l.PageMode());
    EXPECT_EQ(l.VertRange(), 0);
    EXPECT_EQ(l.PageAt(130, 10, 0, 0), 0);
    EXPECT_EQ(l.PageAt(416, 10, 0, 0), -1);
    EXPECT_EQ(l.PageAt(129, 200, 0, 0), -1);
}

TEST(PreviewLayout, ShadowWidensTheGaps) {
    TPreviewLayout l;
    l.Options.Shadow.Offset = -20;
    l.ClientWidth = 555;
    l.ClientHeight = 432;
    l.PageCount = 1;
    l.Update();
    EXPECT_EQ(l.HS(), 20);
    EXPECT_EQ(l.VS(), 20);
    // h = 412 - 40 = 372 -> 33 %.
    EXPECT_EQ(l.Options.Scale(), 33);
    EXPECT_EQ(l.SlotPageRect(0, 0, 0).Left, (555 - 20 - l.PageWidth) / 2);
}

TEST(PreviewLayout, PageWidthScrollsByThirdsOfAPage) {
    TPreviewLayout l = Layout(smPageWidth);
    EXPECT_EQ(l.Options.Scale(), 66); // (555 - 16 - 17) * 100 / 794
    EXPECT_EQ(l.PageWidth, 524);
    EXPECT_EQ(l.PageHeight, 741);
    EXPECT_FALSE(l.PageMode());
    EXPECT_EQ(l.SlotPageRect(0, 0, 0).Top, 8);
    EXPECT_EQ(l.VertStep(), (8 + 741) / 3);
    EXPECT_EQ(l.VertRange(), 8 + 741 + 8 - 432);
    EXPECT_EQ(l.SlotPageRect(0, 0, 100).Top, 8 - 100);
    // Without pages there is nothing to scroll.
    EXPECT_EQ(Layout(smPageWidth, 555, 432, 0).VertRange(), 0);
}

TEST(PreviewLayout, ScaleModesKeepOrRewriteTheScale) {
    TPreviewLayout l = Layout(smFullPage);
    ASSERT_EQ(l.Options.Scale(), 36);
    // The rewritten scale stays when the user switches to the fixed scale.
    l.Options.ScaleMode = smScale;
    l.Options.SetCols(3);
    l.Options.SetRows(2);
    l.Update();
    EXPECT_EQ(l.Options.Scale(), 36);
    EXPECT_EQ(l.ShownCols, 1); // one page: columns and rows show nothing more
    EXPECT_EQ(l.ShownRows, 1);
    EXPECT_TRUE(l.PageMode());
    l.Options.SetScale(100);
    l.Update();
    EXPECT_FALSE(l.PageMode());
    EXPECT_EQ(l.HorzRange(), 8 + 794 + 8 - 555);

    // Auto scale at a small scale keeps it; a page too big for the control is fitted.
    l.Options.ScaleMode = smAutoScale;
    l.Options.SetScale(20);
    l.Update();
    EXPECT_EQ(l.Options.Scale(), 20);
    EXPECT_EQ(l.Options.Cols(), 1);
    l.Options.SetScale(50); // narrower than the control, but too tall for it
    l.Update();
    EXPECT_EQ(l.Options.Scale(), 36);
    l.Options.SetScale(150); // wider than the control: one page at that scale
    l.Update();
    EXPECT_EQ(l.Options.Scale(), 150);

    l.Options.ScaleMode = smColsRows;
    l.Options.SetScale(150);
    l.Update();
    EXPECT_EQ(l.Options.Scale(), 36);

    // A control smaller than its spacings keeps a scale of at least 1.
    EXPECT_EQ(Layout(smFullPage, 10, 10).Options.Scale(), 1);
}

TEST(PreviewLayout, OptionSettersClampTheirValues) {
    TJvPreviewPageOptions o;
    EXPECT_EQ(o.Scale(), 35);
    o.SetScale(0);
    EXPECT_EQ(o.Scale(), 1);
    o.SetCols(0);
    EXPECT_EQ(o.Cols(), 1);
    o.SetRows(-3);
    EXPECT_EQ(o.Rows(), 1);
}

TEST(PrintOrder, RangesCopiesAndCollation) {
    EXPECT_EQ(PrintSheetOrder(0, 2, 3, 2, true), (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(PrintSheetOrder(0, 2, 3, 2, false), (std::vector<int>{0, 0, 1, 1, 2, 2}));
    EXPECT_EQ(PrintSheetOrder(2, 0, 3, 1, true), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(PrintSheetOrder(0, 0, 1, 0, true), (std::vector<int>{0}));
    // Out-of-range indices become the last page; no pages prints nothing.
    EXPECT_EQ(PrintSheetOrder(-1, 7, 2, 1, true), (std::vector<int>{1}));
    EXPECT_TRUE(PrintSheetOrder(0, 0, 0, 3, true).empty());
}
