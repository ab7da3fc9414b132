// The text window's font dialog returns the face, size, style and colour chosen together.
#include "ui/FontDialog.h"

#include <QFontDialog>
#include <gtest/gtest.h>

using namespace lumetta;
using namespace lumetta::ui;

TEST(FontColorDialog, StartsFromTheGivenFontAndReturnsTheChosenColour) {
    TFontDesc start{"Liberation Sans", 28, 255};
    start.Underline = true;
    TFontColorDialog dialog(start);
    EXPECT_EQ(dialog.SelectedColor(), QColor(255, 0, 0));
    TFontDesc chosen = dialog.SelectedFont();
    EXPECT_EQ(chosen.Size, 28);
    EXPECT_TRUE(chosen.Underline);
    EXPECT_EQ(chosen.Color, 255u);

    dialog.SetColor(QColor(0, 128, 255));
    chosen = dialog.SelectedFont();
    EXPECT_EQ(chosen.Color, 0xFF8000u); // blue in the high byte, red in the low
    EXPECT_EQ(WinColorToColor32(chosen.Color), 0xFF0080FFu);
}
