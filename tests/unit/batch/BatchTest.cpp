// lumetta-batch's work without the command line: the list of photos and their names, shards,
// sizes and layer rectangles, the decoration of a photo against a small library, and runs with
// failing photos.
#include "Batch.h"

#include "base/SafeFile.h"
#include "codecs/Encoders.h"
#include "codecs/ImageIO.h"
#include "decorate/LayerGeometry.h"
#include "library/PackWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

namespace lumetta::batch {
namespace {

using test::TempDir;

TBitmap32 Solid(int w, int h, TColor32 c) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

TStep Step(const std::string& recipe) {
    return ParseRecipe(recipe, "").Steps.at(0);
}

// ------------------------------------------------------------------------------ planning

TEST(PlanJobs, SortsDropsRepeatsAndNumbersTheWholeList) {
    TOutputSpec out;
    out.Pattern = "{n:3}-{name}";
    const auto jobs =
        PlanJobs({"b/2.jpg", "a/1.jpeg", "c/3.tar.png", "a/1.jpeg"}, out, "/out/", 1, 1);
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(jobs[0].Input, "a/1.jpeg");
    EXPECT_EQ(jobs[0].Output, "/out/001-1.jpg");
    EXPECT_EQ(jobs[1].Output, "/out/002-2.jpg");
    EXPECT_EQ(jobs[2].Name, "3.tar"); // only the last extension goes
    EXPECT_EQ(jobs[2].Output, "/out/003-3.tar.jpg");
}

TEST(PlanJobs, ShardsAreDisjointAndTogetherTheWholeList) {
    std::vector<std::string> inputs;
    for (int i = 0; i < 11; ++i)
        inputs.push_back(std::to_string(100 + i).append(".jpg"));
    const auto whole = PlanJobs(inputs, {}, "o", 1, 1);
    for (int n : {1, 2, 3, 11, 20}) {
        std::set<std::string> seen;
        for (int k = 1; k <= n; ++k)
            for (const TJob& job : PlanJobs(inputs, {}, "o", k, n)) {
                EXPECT_TRUE(seen.insert(job.Output).second) << job.Output << " twice";
                // Every shard numbers and names a photo exactly as the whole run does.
                EXPECT_EQ(job.Output, whole[std::size_t(job.Number - 1)].Output);
            }
        EXPECT_EQ(seen.size(), whole.size()) << n << " shards";
    }
    const auto second = PlanJobs(inputs, {}, "o", 2, 3);
    ASSERT_EQ(second.size(), 4u);
    EXPECT_EQ(second[0].Number, 2);
    EXPECT_EQ(second[1].Number, 5);
}

TEST(PlanJobs, RefusesTwoPhotosOnOneFileAndNamesOutsideTheFolder) {
    TOutputSpec out;
    try {
        PlanJobs({"x/IMG_1.jpg", "y/IMG_1.png"}, out, "o", 2, 2); // even when not in this shard
        ADD_FAILURE() << "accepted";
    } catch (const ERecipeError& e) {
        EXPECT_NE(std::string(e.what()).find("put {n} into the name pattern"), std::string::npos);
    }
    out.Pattern = "{n}-{name}";
    EXPECT_EQ(PlanJobs({"x/IMG_1.jpg", "y/IMG_1.png"}, out, "o", 1, 1).size(), 2u);
    out.Pattern = "../{name}";
    EXPECT_THROW(PlanJobs({"a.jpg"}, out, "o", 1, 1), ERecipeError);
    out.Pattern = "{name}";
    EXPECT_THROW(PlanJobs({"dir/"}, out, "o", 1, 1), ERecipeError); // no name at all
}

// ------------------------------------------------------------------------------ geometry

TEST(Resize, FitsTheBoxAsTheResizeFieldsWould) {
    const TStep fit = Step("[Resize]\nfit = 3000 x 3000\n");
    EXPECT_EQ(TDecorator::ResizedSize(fit, 4000, 3000), (std::pair{3000, 2250}));
    EXPECT_EQ(TDecorator::ResizedSize(fit, 3000, 4000), (std::pair{2250, 3000}));
    EXPECT_EQ(TDecorator::ResizedSize(fit, 1000, 500), (std::pair{1000, 500})); // not enlarged
    EXPECT_EQ(TDecorator::ResizedSize(fit, 10000, 1), (std::pair{3000, 1}));    // never 0
    const TStep grow = Step("[Resize]\nfit = 5 x 5\nenlarge = yes\n");
    EXPECT_EQ(TDecorator::ResizedSize(grow, 1000, 500), (std::pair{5, 2})); // 2.5: ties to even
    EXPECT_EQ(TDecorator::ResizedSize(grow, 2, 3), (std::pair{3, 5}));      // 3.33 -> 3
    const TStep exact = Step("[Resize]\nsize = 640 x 480\n");
    EXPECT_EQ(TDecorator::ResizedSize(exact, 480, 640), (std::pair{640, 480}));
}

TEST(LayerLocation, NaturalSizeAtTheCentreIsTheProgramsPlacement) {
    const TStep art = Step("[ClipArt]\nname = a\nposition = 200, 150\n");
    EXPECT_EQ(TDecorator::LayerLocation(art, 101, 50, 999, 999),
              CentredLocation(200, 150, 101, 50));
}

TEST(LayerLocation, SizesAndAnchorsRelativeToThePicture) {
    const TStep half = Step("[ClipArt]\nname = a\nposition = 25%, 30%\nwidth = 50%\n");
    // 400 x 300 picture, 100 x 50 clip art: 200 x 100, centred on (100, 90).
    EXPECT_EQ(TDecorator::LayerLocation(half, 100, 50, 400, 300), (TFloatRect{0, 40, 200, 140}));
    const TStep corner =
        Step("[ClipArt]\nname = a\nposition = 100%, 100%\nheight = 10%\nanchor = bottom-right\n");
    EXPECT_EQ(TDecorator::LayerLocation(corner, 100, 50, 400, 300),
              (TFloatRect{340, 270, 400, 300}));
    const TStep both = Step("[ClipArt]\nname = a\nposition = 0, 0\nwidth = 10\nheight = 20\n"
                            "anchor = top-left\n");
    EXPECT_EQ(TDecorator::LayerLocation(both, 100, 50, 400, 300), (TFloatRect{0, 0, 10, 20}));
}

// ------------------------------------------------------------------------------ decoration

// Every glyph box is Size pixels square, so a text bitmap shows the font size it was drawn in.
class SizedRasterizer : public ITextRasterizer {
public:
    int TextWidth(const TFontDesc& f, const std::string& text, bool) override {
        return f.Size * int(text.size());
    }
    int TextHeight(const TFontDesc& f, const std::string&, bool) override { return f.Size; }
    void DrawText(TBitmap32& target, int x, int y, const TFontDesc& f, const std::string& text,
                  TColor32 color, bool) override {
        for (int i = 0; i < int(text.size()); ++i)
            if (text[std::size_t(i)] != ' ')
                for (int py = 0; py < f.Size; ++py)
                    for (int px = 0; px < f.Size - 1; ++px)
                        target.SetPixelS(x + i * f.Size + px, y + py, color);
    }
};

// A library of a few objects with hand-checkable pixels.
class BatchLibrary : public ::testing::Test {
protected:
    TempDir dir;
    TLibraryPaths paths;
    SizedRasterizer raster;

    static constexpr TColor32 kFramePixel = 0x80FFFFFF; // half-transparent white

    void SetUp() override {
        SetTextRasterizer(&raster);
        TPackWriter pack;
        pack.Add("framea.png", test::EncodePng(Solid(30, 30, kFramePixel)));
        pack.Add("frameb.png", test::EncodePng(Solid(30, 30, 0xFF00FF00)));
        pack.Add("framebad.png", test::EncodePng(Solid(10, 10, 0xFF00FF00)));
        pack.Add("framenone.png", test::EncodePng(Solid(10, 10, 0xFF00FF00)));
        pack.Add("maskclear.png", test::EncodePng(Solid(4, 4, 0x00000000)));
        pack.Add("clipartsun.png", test::EncodePng(Solid(10, 10, 0xFFFF0000)));
        pack.Save(dir.File("lib.phd"));
        const char* ten = "0,10,10,20,20,10,10,10,10,10,10,10,10,10,10,10,10,0,0,10,10";
        test::WriteText(dir.File("lib.phi"), std::string("[Frames]\nframea=") + ten + "\nframeb=" +
                                                 ten + "\nframebad=" + ten + "\n[Shadows]\n");
        paths = {dir.File("lib.phd"), dir.File("lib.phi")};
    }
    void TearDown() override { SetTextRasterizer(nullptr); }

    TDecorator Make(const std::string& recipe) {
        return TDecorator(ParseRecipe(recipe, ""), paths);
    }
};

TEST_F(BatchLibrary, RefusesObjectsTheLibraryCannotServeBeforeAnyPhoto) {
    const std::pair<const char*, const char*> cases[] = {
        {"[Frame]\nname = nothere\n", "[Frame] name = nothere: the library"},
        {"[Frame]\nname = framenone\n", "no placement record for it in [Frames]"},
        {"[Shadow]\nname = framea\n", "no placement record for it in [Shadows]"},
        {"[Frame]\nname = framebad\n", "Source rectangle is invalid"}, // pieces outside 10 x 10
    };
    for (const auto& [recipe, expected] : cases) {
        try {
            Make(recipe);
            ADD_FAILURE() << "accepted: " << recipe;
        } catch (const ERecipeError& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
        }
    }
    paths.Container = dir.File("missing.phd");
    EXPECT_THROW(Make("[Mask]\nname = maskclear\n"), ERecipeError);
    EXPECT_NO_THROW(Make("[AutoContrast]\n")); // no object: no library needed
}

// A frame after a mask takes its half-transparent pieces blended (the program's object picture
// keeps the mask's blend mode); the next photo starts afresh and copies them.
TEST_F(BatchLibrary, EachPhotoStartsWithTheProgramsFreshObjectPicture) {
    const TDecorator masked = Make("[Mask]\nname = maskclear\n[Frame]\nname = framea\n");
    const TDecorator plain = Make("[Frame]\nname = framea\n");
    TJob job;
    for (int round = 0; round < 2; ++round) {
        TBitmap32 a = Solid(20, 20, 0xFF102030);
        masked.Decorate(a, job);
        ASSERT_EQ(a.Width(), 40);
        EXPECT_EQ(a.Pixel(0, 0),
                  0x40808080u); // (255 * 128 + 128) >> 8, alpha (128 * 128 + 128) >> 8
        EXPECT_EQ(a.Pixel(10, 10), 0xFF102030u); // the photo, unchanged by the clear mask
        TBitmap32 b = Solid(20, 20, 0xFF102030);
        plain.Decorate(b, job);
        EXPECT_EQ(b.Pixel(0, 0), kFramePixel);
    }
}

TEST_F(BatchLibrary, LayersAreMergedAtTheirPlaceAndTextFollowsThePicturesHeight) {
    const TDecorator d = Make("[ClipArt]\nname = clipartsun\nposition = 0, 0\nanchor = top-left\n"
                              "width = 50%\n[Text]\ntext = {name}\nsize = 10%\ncolor = #0000FF\n"
                              "position = 100%, 100%\nanchor = bottom-right\n");
    TJob job;
    job.Name = "ab";
    TBitmap32 photo = Solid(40, 80, 0xFF000000);
    d.Decorate(photo, job);
    // The clip art: 20 x 20 at the top-left corner.
    EXPECT_EQ(photo.Pixel(19, 19), 0xFFFF0000u);
    EXPECT_EQ(photo.Pixel(20, 20), 0xFF000000u);
    // 10% of 80 pixels is 8 pixels, 6 points: a 2 x 6 + 20 by 6 + 20 layer in the corner, the
    // glyphs 10 pixels in from its left and top.
    const TBitmap32 text = d.TextBitmap(d.Recipe().Steps[1], 80, job);
    EXPECT_EQ(text.Width(), 32);
    EXPECT_EQ(text.Height(), 26);
    EXPECT_EQ(photo.Pixel(40 - 32 + 10, 80 - 26 + 10), 0xFF0000FFu);
    EXPECT_EQ(photo.Pixel(40 - 32 + 9, 80 - 26 + 10), 0xFF000000u);
}

TEST_F(BatchLibrary, RefusesTextTooLargeToDraw) {
    const TDecorator d = Make("[Text]\ntext = " + std::string(200, 'W') + "\nsize = 5000\n");
    TBitmap32 photo = Solid(10, 10, 0xFF000000);
    EXPECT_THROW(d.Decorate(photo, TJob{}), EImageError);
}

// ------------------------------------------------------------------------------ runs

class BatchRun : public BatchLibrary {
protected:
    std::ostringstream out, err;

    std::vector<TJob> Plan(const std::vector<std::string>& inputs, const TDecorator& d) {
        return PlanJobs(inputs, d.Recipe().Output, dir.File("out"), 1, 1);
    }
};

TEST_F(BatchRun, AFailedPhotoIsReportedAndTheOthersAreDecorated) {
    std::filesystem::create_directories(dir.File("out"));
    test::WriteBytes(dir.File("a.png"), test::EncodePng(Solid(8, 6, 0xFF336699)));
    test::WriteBytes(dir.File("b.png"), test::EncodePng(Solid(6, 8, 0xFF996633)));
    test::WriteText(dir.File("c.jpg"), "not a photo");
    test::WriteBytes(dir.File("d.png"), test::EncodePng(Solid(5, 5, 0xFF000000)));
    const TDecorator d = Make("[Frame]\nname = frameb\n[Output]\nformat = png\n");
    const auto jobs = Plan({dir.File("d.png"), dir.File("c.jpg"), dir.File("missing.png"),
                            dir.File("b.png"), dir.File("a.png")},
                           d);
    TRunOptions options;
    options.Threads = 3;
    const TRunResult r = RunJobs(d, jobs, options, out, err);
    EXPECT_EQ(r.Decorated, 3);
    EXPECT_EQ(r.Failed, 2);
    ASSERT_EQ(r.Failures.size(), 2u);
    EXPECT_EQ(r.Failures[0].first, dir.File("c.jpg")); // in list order
    EXPECT_EQ(r.Failures[1].first, dir.File("missing.png"));
    EXPECT_NE(r.Failures[1].second.find("Cannot open file"), std::string::npos);
    EXPECT_NE(err.str().find("/5] " + dir.File("c.jpg") + " failed: "), std::string::npos);
    EXPECT_NE(out.str().find("[1/5] " + dir.File("a.png") + " -> " + dir.File("out/a.png")),
              std::string::npos);

    TBitmap32 a;
    LoadPictureFile(a, dir.File("out/a.png"));
    EXPECT_EQ(a.Width(), 28); // 20 pixels of frame around it
    EXPECT_EQ(a.Pixel(10, 10), 0xFF336699u);
    EXPECT_FALSE(FileExists(dir.File("out/c.png")));
    // Nothing but the outputs is left in the folder: no temporary files.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("out")))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 3);

    // Resuming leaves what is there and tries the failures again.
    out.str("");
    options.SkipExisting = true;
    const TRunResult again = RunJobs(d, jobs, options, out, err);
    EXPECT_EQ(again.Skipped, 3);
    EXPECT_EQ(again.Failed, 2);
    EXPECT_EQ(again.Decorated, 0);
    EXPECT_NE(out.str().find("exists, skipped"), std::string::npos);
}

TEST_F(BatchRun, NeverWritesOverThePhotoItself) {
    std::filesystem::create_directories(dir.File("out"));
    const auto original = test::EncodePng(Solid(4, 4, 0xFF123456));
    test::WriteBytes(dir.File("out/p.png"), original);
    const TDecorator d = Make("[Frame]\nname = frameb\n[Output]\nformat = png\n");
    const TRunResult r = RunJobs(d, Plan({dir.File("out/p.png")}, d), {}, out, err);
    EXPECT_EQ(r.Failed, 1);
    EXPECT_NE(err.str().find("would replace the photo itself"), std::string::npos);
    EXPECT_EQ(test::ReadBytes(dir.File("out/p.png")), original);
}

TEST_F(BatchRun, AStopStartsNothingMore) {
    test::WriteBytes(dir.File("a.png"), test::EncodePng(Solid(4, 4, 0xFF000000)));
    const TDecorator d = Make("[AutoContrast]\n");
    std::atomic<bool> stop{true};
    TRunOptions options;
    options.Stop = &stop;
    const TRunResult r = RunJobs(d, Plan({dir.File("a.png")}, d), options, out, err);
    EXPECT_EQ(r.NotStarted, 1);
    EXPECT_EQ(r.Decorated, 0);
    EXPECT_FALSE(FileExists(dir.File("out/a.jpg")));
}

} // namespace
} // namespace lumetta::batch
