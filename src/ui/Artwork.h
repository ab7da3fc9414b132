#pragma once
// Lumetta's own pictures: toolbar and button glyphs, the left-panel banner of the Options and
// About dialogs and the application icon. Everything is drawn with QPainter at the size it is
// shown, so no picture files ship with the program. All functions need a QGuiApplication.
#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace lumetta::ui {

// The thirteen toolbar pictures, in toolbar order.
enum class ToolbarIcon {
    Open,
    Save,
    Undo,
    Redo,
    Edit,
    Mask,
    ClipArt,
    Frame,
    Shadow,
    Text,
    Print,
    GetMore,
    Exit
};
inline constexpr int kToolbarIconCount = 13;
inline constexpr int kToolbarIconSize = 24;

// 24 x 24. The greyed set is the normal picture desaturated and lightened.
QPixmap ToolbarPixmap(ToolbarIcon icon, bool greyed);
// Normal and Disabled modes taken from the two sets, drawn at the size and device pixel ratio
// they are shown at (sharp on high-DPI screens).
QIcon ToolbarQIcon(ToolbarIcon icon);

// The twelve edit-tool buttons, in grid order (row by row, three columns).
enum class EditToolGlyph {
    Arrow,
    Select,
    Cut,
    Copy,
    Paste,
    FlipVertical,
    AutoContrast,
    AdjustContrast,
    FlipHorizontal,
    ZoomOut, // makes the picture larger: magnifier with "+"
    ZoomIn,  // makes the picture smaller: magnifier with "-"
    ActualSize
};
inline constexpr int kEditToolGlyphCount = 12;
inline constexpr int kEditToolGlyphSize = 20;
QPixmap EditToolPixmap(EditToolGlyph glyph, bool greyed = false);
QIcon EditToolIcon(EditToolGlyph glyph);

// The six buttons of the clip-art tool window, in button order.
enum class ClipArtToolGlyph {
    Delete,
    Apply,
    FlipHorizontally,
    FlipVertically,
    Rotate90,
    Rotate270
};
inline constexpr int kClipArtToolGlyphCount = 6;
// The three buttons of the text input window.
enum class TextInputGlyph { Font, Confirm, Cancel };
inline constexpr int kTextInputGlyphCount = 3;
inline constexpr int kSmallGlyphSize = 16;

QPixmap ClipArtToolPixmap(ClipArtToolGlyph glyph, bool greyed = false);
QIcon ClipArtToolIcon(ClipArtToolGlyph glyph);
QPixmap TextInputPixmap(TextInputGlyph glyph, bool greyed = false);
QIcon TextInputIcon(TextInputGlyph glyph);

// The 80 x 210 banner at the left edge of the Options and About dialogs, opaque RGB32.
inline constexpr int kLeftPanelWidth = 80;
inline constexpr int kLeftPanelHeight = 210;
QImage LeftPanelImage();
// The same picture encoded as a 24-bit BMP file in memory: the form in which start-up receives it.
QByteArray LeftPanelBmpData();

// The application icon at 16, 24, 32, 48, 64, 128 and 256 pixels, the sizes above `largest`
// left out (16 is always there). A window's icon needs no more than 64 pixels a device pixel:
// the large sizes are most of the drawing.
QIcon AppIcon(int largest = 256);
QImage AppIconImage(int size);

// Desaturates and lightens a picture the way disabled buttons are shown (alpha is kept).
QImage GreyedImage(const QImage& image);

} // namespace lumetta::ui
