#pragma once
// A batch recipe: the decorations lumetta-batch puts on every photo, read from a small ini file.
//
// Every section but [Library] and [Output] is one step, applied in the order of the file. The
// first word of a step's name is its kind (AutoContrast, Tone, Resize, Mask, Frame, Shadow,
// ClipArt, Text); anything after it is a label that keeps two steps of one kind apart
// ("[ClipArt logo]", "[ClipArt badge]"). docs/batch.md describes every key.
#include "base/Error.h"
#include "codecs/Encoders.h"
#include "imaging/Bitmap32.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetta::batch {

// A mistake in a recipe (or in the library it names); the text says where and what.
class ERecipeError : public Error {
    using Error::Error;
};

enum class StepKind { AutoContrast, Tone, Resize, Mask, Frame, Shadow, ClipArt, Text };

// A distance along one side of the picture: pixels, or a percentage of that side.
struct TLength {
    double Value = 0;
    bool Percent = false;
    double Resolve(int side) const { return Percent ? side * Value / 100.0 : Value; }
    friend bool operator==(const TLength&, const TLength&) = default;
};

// Where a clip-art or text layer goes: the point (X, Y) of the picture, and which point of the
// layer sits there, as fractions of its width and height (0.5, 0.5 is its centre).
struct TPlacement {
    TLength X{50, true}, Y{50, true};
    double AnchorX = 0.5, AnchorY = 0.5;
};

struct TStep {
    StepKind Kind = StepKind::AutoContrast;
    std::string Section; // the section's name as written, for messages

    // Tone: the contrast panel's slider positions.
    int Contrast = 0, Brightness = 0, Gamma = 100;

    // Resize: an exact size, or a box the photo is fitted into keeping its proportions.
    bool Fit = false;
    bool Enlarge = false; // Fit only: also enlarge photos smaller than the box
    int Width = 0, Height = 0;

    // Mask, Frame, Shadow, ClipArt: the object's name (lower case, as in the library).
    std::string Object;

    // ClipArt: the layer's size (either side alone keeps the picture's proportions; neither
    // gives the size the window gives new clip art, FitClipArtTo).
    std::optional<TLength> LayerWidth, LayerHeight;
    TPlacement Place;

    // Text: the line ({name} and {n} are replaced per photo), its font and its size, either in
    // points (Font.Size) or as a percentage of the picture's height.
    std::string Text;
    TFontDesc Font{"Arial", 28, 255};
    std::optional<double> SizePercent;
};

struct TOutputSpec {
    int FileType = sftJpeg; // TSaveFileType
    int Quality = 90;       // JPEG only
    std::string Pattern = "{name}";
    // ".jpg", ".png", ".bmp" or ".gif".
    std::string Extension() const;
};

struct TRecipe {
    std::vector<TStep> Steps;
    TOutputSpec Output;
    // From [Library], already resolved against the recipe's folder; empty for the default.
    std::string Container, Placements;

    bool HasText() const;
    bool UsesLibrary() const;
};

// Reads a recipe from its text; relative paths in [Library] are taken from baseFolder. Throws
// ERecipeError naming the section and key of the first mistake.
TRecipe ParseRecipe(std::string_view text, const std::string& baseFolder);
// The same from a file.
TRecipe LoadRecipe(const std::string& path);

// The pattern with {name}, {n} and {n:W} (n zero-padded to W digits) replaced. Throws
// ERecipeError for any other placeholder or an unclosed brace.
std::string ExpandPattern(std::string_view pattern, const std::string& name, int number);

} // namespace lumetta::batch
