// Reading batch recipes: the steps in file order with their settings, and every mistake refused
// with the section and key it was found in.
#include "Recipe.h"

#include <gtest/gtest.h>

namespace lumetta::batch {
namespace {

const char* const kFull = R"(; a comment line
[Library]
container = lib/my.phd
placements = /abs/my.phi

[AutoContrast]

[Tone]
contrast = -20
brightness = +5
gamma = 120

[Resize]
fit = 3000 x 2000
enlarge = yes

[Mask]
name = MaskOval.jpg

[Frame]
name = frameoak

[ClipArt logo]
name = clipartstar
position = 90%, 10
width = 15%
anchor = top-right

[Text caption]
text = "  Class of 2024: {name}  "
font = Liberation Serif
size = 4%
color = #FF8000
bold = yes
position = 50%, 95%
anchor = bottom

[Shadow]
name = shadowsoft

[Resize exact]
size = 640x480

[Output]
format = PNG
quality = 75
name = shoot-{n:4}-{name}
)";

TEST(Recipe, ReadsEveryStepInFileOrder) {
    const TRecipe r = ParseRecipe(kFull, "/recipes");
    EXPECT_EQ(r.Container, "/recipes/lib/my.phd");
    EXPECT_EQ(r.Placements, "/abs/my.phi");
    ASSERT_EQ(r.Steps.size(), 9u);
    const StepKind kinds[] = {StepKind::AutoContrast, StepKind::Tone,   StepKind::Resize,
                              StepKind::Mask,         StepKind::Frame,  StepKind::ClipArt,
                              StepKind::Text,         StepKind::Shadow, StepKind::Resize};
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_EQ(r.Steps[i].Kind, kinds[i]) << i;

    EXPECT_EQ(r.Steps[1].Contrast, -20);
    EXPECT_EQ(r.Steps[1].Brightness, 5);
    EXPECT_EQ(r.Steps[1].Gamma, 120);
    EXPECT_TRUE(r.Steps[2].Fit);
    EXPECT_TRUE(r.Steps[2].Enlarge);
    EXPECT_EQ(r.Steps[2].Width, 3000);
    EXPECT_EQ(r.Steps[2].Height, 2000);
    EXPECT_EQ(r.Steps[3].Object, "maskoval"); // the library's rule for object names
    EXPECT_EQ(r.Steps[4].Object, "frameoak");

    const TStep& art = r.Steps[5];
    EXPECT_EQ(art.Section, "ClipArt logo");
    EXPECT_EQ(art.Place.X, (TLength{90, true}));
    EXPECT_EQ(art.Place.Y, (TLength{10, false}));
    EXPECT_EQ(art.Place.AnchorX, 1);
    EXPECT_EQ(art.Place.AnchorY, 0);
    ASSERT_TRUE(art.LayerWidth);
    EXPECT_EQ(*art.LayerWidth, (TLength{15, true}));
    EXPECT_FALSE(art.LayerHeight);

    const TStep& text = r.Steps[6];
    EXPECT_EQ(text.Text, "  Class of 2024: {name}  "); // quotes keep the spaces
    EXPECT_EQ(text.Font.Name, "Liberation Serif");
    ASSERT_TRUE(text.SizePercent);
    EXPECT_EQ(*text.SizePercent, 4);
    EXPECT_EQ(text.Font.Color, 0x0080FFu); // red in the low byte
    EXPECT_TRUE(text.Font.Bold);
    EXPECT_FALSE(text.Font.Italic);
    EXPECT_EQ(text.Place.AnchorY, 1);

    EXPECT_FALSE(r.Steps[8].Fit);
    EXPECT_EQ(r.Steps[8].Width, 640);
    EXPECT_EQ(r.Output.FileType, sftPng);
    EXPECT_EQ(r.Output.Quality, 75);
    EXPECT_EQ(r.Output.Extension(), ".png");
    EXPECT_TRUE(r.HasText());
    EXPECT_TRUE(r.UsesLibrary());
}

TEST(Recipe, DefaultsMatchTheProgram) {
    const TRecipe r = ParseRecipe("[Text]\ntext = hello\n[ClipArt]\nname = sun\n", "");
    const TStep& text = r.Steps[0];
    EXPECT_EQ(text.Font, (TFontDesc{"Arial", 28, 255})); // the program's first text font
    EXPECT_FALSE(text.SizePercent);
    EXPECT_EQ(text.Place.X, (TLength{50, true}));
    EXPECT_EQ(text.Place.AnchorX, 0.5);
    EXPECT_FALSE(r.Steps[1].LayerWidth || r.Steps[1].LayerHeight);
    EXPECT_EQ(r.Output.FileType, sftJpeg);
    EXPECT_EQ(r.Output.Quality, 90);
    EXPECT_EQ(r.Output.Pattern, "{name}");
    EXPECT_TRUE(ParseRecipe("", "").Steps.empty());
}

// Each mistake is refused with a text naming where it is.
TEST(Recipe, RefusesMistakesSayingWhere) {
    const std::pair<const char*, const char*> cases[] = {
        {"[Frmae]\nname = a\n", "[Frmae] is not a step"},
        {"[Frame]\nnmae = a\nname = b\n", "[Frame] nmae is not a setting"},
        {"[Frame]\n", "[Frame] name is missing"},
        {"[Text]\ntext = a\n[text]\ntext = b\n", "[text] appears twice"},
        {"[Tone]\ncontrast = 101\n", "[Tone] contrast = 101: expected a whole number from -100"},
        {"[Tone]\ngamma = 1.5\n", "[Tone] gamma = 1.5"},
        {"[Tone]\ncontrast = +-5\n", "[Tone] contrast = +-5"},
        {"[Resize]\nsize = 10x10\nfit = 5x5\n", "[Resize] size or fit"},
        {"[Resize]\n", "[Resize] size or fit"},
        {"[Resize]\nsize = 0 x 10\n", "[Resize] size = 0 x 10: expected a width and a height"},
        {"[Resize]\nsize = 10 x 10\nenlarge = yes\n", "[Resize] enlarge applies to fit only"},
        {"[ClipArt]\nname = a\nwidth = -5%\n", "[ClipArt] width = -5%"},
        {"[ClipArt]\nname = a\nposition = 50%\n", "[ClipArt] position = 50%: expected x, y"},
        {"[ClipArt]\nname = a\nanchor = middle\n", "[ClipArt] anchor = middle"},
        {"[Text]\ntext = a\ncolor = #12345\n", "[Text] color = #12345"},
        {"[Text]\ntext = a\ncolor = 1,2\n", "[Text] color = 1,2"},
        {"[Text]\ntext = a\nsize = 0\n", "[Text] size = 0"},
        {"[Text]\ntext = a\nsize = 150%\n", "[Text] size = 150%"},
        {"[Text]\ntext = {date}\n", "{date} is not a placeholder"},
        {"[Text]\nbold = yes\n", "[Text] text is missing"},
        {"[Output]\nformat = tiff\n", "[Output] format = tiff: expected jpeg, png, bmp or gif"},
        {"[Output]\nname = {n:0}\n", "the width of {n:W}"},
        {"[Output]\nname = {name\n", "has a { without its }"},
        {"format = png\n[Output]\n", "\"format = png\" stands before the first [section]"},
    };
    for (const auto& [text, expected] : cases) {
        try {
            ParseRecipe(text, "");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const ERecipeError& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos)
                << "recipe: " << text << "\nmessage: " << e.what();
        }
    }
}

TEST(Recipe, ColoursByHexTripletOrName) {
    auto colour = [](const std::string& value) {
        return ParseRecipe("[Text]\ntext = a\ncolor = " + value + "\n", "").Steps[0].Font.Color;
    };
    EXPECT_EQ(colour("#FF0000"), 0x0000FFu);
    EXPECT_EQ(colour("0, 128, 255"), 0xFF8000u);
    EXPECT_EQ(colour("White"), 0xFFFFFFu);
}

TEST(Recipe, ExpandsNamePatterns) {
    EXPECT_EQ(ExpandPattern("{name}", "IMG_0001", 7), "IMG_0001");
    EXPECT_EQ(ExpandPattern("shoot-{n:4}_{name}", "a", 7), "shoot-0007_a");
    EXPECT_EQ(ExpandPattern("{n:2}", "a", 12345), "12345"); // never cut
    EXPECT_EQ(ExpandPattern("plain", "a", 1), "plain");
    EXPECT_THROW(ExpandPattern("{N}", "a", 1), ERecipeError);
}

} // namespace
} // namespace lumetta::batch
