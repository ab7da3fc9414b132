// Random command sequences on the photo document, checked after every step against the promises
// users rely on:
//   a. what Save takes equals what the page shows, layers included, and saving loses nothing;
//   b. nothing the user made disappears unless the user deleted it or Undo can bring it back;
//   c. after any command, Undo then Redo shows the same picture, and no enabled Undo or Redo
//      press leaves the picture as it was;
//   d. no command empties a picture it was given (only Close does).
// LUMETTA_MODEL_SEQUENCES sets how many sequences run (scripts/model-test.sh runs many more).
#include "document/PhotoDocument.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace lumetta {
namespace {

using Rng = std::mt19937;

int Between(Rng& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

TBitmap32 RandomPicture(Rng& rng, int w, int h, bool withAlpha) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int a = withAlpha ? Between(rng, 0, 3) * 85 : 255;
            b.SetPixel(
                x, y, Color32(Between(rng, 0, 255), Between(rng, 0, 255), Between(rng, 0, 255), a));
        }
    return b;
}

// What the preview shows, worked out on its own: the picture, then every visible clip-art or
// text layer blended over it at its location rounded to whole pixels (nearest neighbour).
TBitmap32 ShownPreview(TImgView32& preview) {
    TBitmap32 shown;
    shown.Assign(preview.Picture());
    shown.DrawMode = dmOpaque;
    TBitmap32 out(shown.Width(), shown.Height());
    out.Draw(0, 0, shown);
    const TLayerCollection& layers = preview.Layers();
    for (int i = 0; i < layers.Count(); ++i) {
        const auto* layer = dynamic_cast<const TBitmapLayer*>(layers.Items(i));
        if (!layer || !layer->Visible() || layer->Bitmap().Empty()) continue;
        const TFloatRect& at = layer->Location();
        const TRect dst{int(std::lrint(at.Left)), int(std::lrint(at.Top)),
                        int(std::lrint(at.Right)), int(std::lrint(at.Bottom))};
        if (dst.IsEmpty()) continue;
        TBitmap32 bitmap(layer->Bitmap());
        bitmap.DrawMode = dmBlend;
        out.Draw(dst, bitmap.BoundsRect(), bitmap);
    }
    return out;
}

bool InHistory(const TPhotoDocument& doc, const TBitmap32& picture) {
    for (int i = 0; i < doc.History().Count(); ++i)
        if (SamePixels(doc.History().Snapshot(i), picture)) return true;
    return false;
}

std::vector<const TCustomLayer*> PictureLayers(const TImgView32& preview) {
    std::vector<const TCustomLayer*> out;
    for (int i = 0; i < preview.Layers().Count(); ++i)
        if (dynamic_cast<const TBitmapLayer*>(preview.Layers().Items(i)))
            out.push_back(preview.Layers().Items(i));
    return out;
}

class Model {
public:
    explicit Model(unsigned seed) : rng_(seed), doc_(edit_, preview_) {
        edit_.SetControlSize(64, 48);
        preview_.SetControlSize(64, 48);
    }

    // Runs one random command and checks the promises; returns a description of it.
    std::string Step() {
        const int pick = Between(rng_, 0, 99);
        std::ostringstream what;
        const bool hadPhoto = doc_.HasPhoto();
        if (!hadPhoto || pick < 3) {
            what << "open";
            Open();
            return what.str();
        }
        if (pick < 5) {
            what << "close";
            doc_.Close();
            return what.str();
        }

        // What the user has before the command.
        const TBitmap32 pictureBefore = Shown(false);
        const TBitmap32 flatBefore = Shown(true);
        const auto layersBefore = PictureLayers(preview_);
        bool checkKept = true; // b applies
        bool mayDropLayer = false;

        if (pick < 30) {
            // Edits are made on the edit page.
            if (page_ != TDocPage::Edit) {
                what << "edit-page ";
                SwitchMode(0);
                return what.str();
            }
            const int kind = Between(rng_, 0, 6);
            TBitmap32& picture = doc_.EditPicture();
            switch (kind) {
            case 0:
                what << "flip";
                doc_.Flip(Between(rng_, 0, 1) == 0);
                break;
            case 1: {
                const int l = Between(rng_, 0, picture.Width()),
                          t = Between(rng_, 0, picture.Height());
                const TRect r{l, t, Between(rng_, l, picture.Width()),
                              Between(rng_, t, picture.Height())};
                what << "cut " << r.Width() << "x" << r.Height();
                doc_.Cut(r);
                break;
            }
            case 2:
                what << "auto";
                doc_.AutoContrast();
                break;
            case 3: {
                const TBitmap32 pasted =
                    RandomPicture(rng_, Between(rng_, 1, 6), Between(rng_, 1, 6), true);
                std::optional<TRect> at;
                if (Between(rng_, 0, 1))
                    at = TRect{Between(rng_, 0, picture.Width()),
                               Between(rng_, 0, picture.Height()), 0, 0};
                what << "paste";
                doc_.Paste(pasted, at);
                break;
            }
            case 4: {
                const int w = Between(rng_, -1, 12), h = Between(rng_, -1, 10);
                what << "resize " << w << "x" << h;
                try {
                    doc_.Resize(w, h);
                } catch (const Error&) {
                    // Refused: nothing may have changed.
                    EXPECT_TRUE(SamePixels(doc_.EditPicture(), pictureBefore))
                        << "a refused resize changed the picture";
                }
                break;
            }
            case 5:
                what << "tone";
                doc_.BeginTone();
                doc_.RenderTone(ToneTable(Between(rng_, -100, 100) / 100.0,
                                          Between(rng_, -50, 50) / 100.0,
                                          Between(rng_, 20, 300) / 100.0));
                checkKept = false; // a preview replaces the last preview
                break;
            default: {
                const int end = Between(rng_, 0, 2);
                what << (end == 0 ? "tone-update" : end == 1 ? "tone-cancel" : "tone-accept");
                if (end == 0) doc_.CommitTone();
                if (end == 1) {
                    doc_.CancelTone();
                    checkKept = false; // the user threw the adjustment away
                }
                if (end == 2) doc_.AcceptTone();
                break;
            }
            }
        } else if (pick < 60) {
            if (page_ != TDocPage::Preview) {
                what << "decoration-page ";
                SwitchMode(Between(rng_, 1, 4));
                return what.str();
            }
            const int kind = Between(rng_, 0, 8);
            switch (kind) {
            case 0: {
                // A frame-like decoration: a larger canvas around the picture.
                what << "frame";
                const TColor32 colour = Color32(Between(rng_, 0, 255), 0, 0);
                doc_.Decorate([&](TBitmap32& c) {
                    TBitmap32 canvas(c.Width() + 2, c.Height() + 2);
                    canvas.Clear(colour);
                    canvas.Draw(1, 1, c);
                    c.Assign(canvas);
                });
                checkKept = false; // picking another object replaces the last pick
                break;
            }
            case 1:
                what << "mask";
                doc_.Decorate([&](TBitmap32& c) {
                    c.FlipVert();
                    c.SetPixel(0, 0, 0xFF123456u);
                });
                checkKept = false;
                break;
            case 2:
            case 3: {
                what << "add-layer";
                const TBitmap32 art =
                    RandomPicture(rng_, Between(rng_, 1, 5), Between(rng_, 1, 5), true);
                doc_.AddLayer(art, TPoint{Between(rng_, 0, 10), Between(rng_, 0, 8)});
                break;
            }
            case 4: {
                what << "select";
                const auto layers = PictureLayers(preview_);
                if (layers.empty() || Between(rng_, 0, 3) == 0) {
                    doc_.SelectLayer(nullptr);
                } else {
                    doc_.SelectLayer(
                        const_cast<TPositionedLayer*>(static_cast<const TPositionedLayer*>(
                            layers[std::size_t(Between(rng_, 0, int(layers.size()) - 1))])));
                }
                break;
            }
            case 5:
                what << "delete-layer";
                doc_.DeleteSelectedLayer();
                mayDropLayer = true;
                break;
            case 6:
                what << "turn-or-flip-layer";
                if (Between(rng_, 0, 1)) {
                    doc_.TurnSelectedLayer(Between(rng_, 0, 1) == 0);
                } else {
                    doc_.FlipSelectedLayer(Between(rng_, 0, 1) == 0);
                }
                break;
            case 7:
                what << "move-layer";
                if (doc_.RubberBand() && doc_.SelectedLayer()) {
                    TFloatRect at = doc_.SelectedLayer()->Location();
                    const float dx = float(Between(rng_, -3, 3)), dy = float(Between(rng_, -3, 3));
                    at = {at.Left + dx, at.Top + dy, at.Right + dx, at.Bottom + dy};
                    doc_.RubberBand()->SetLocation(at);
                }
                break;
            default:
                what << "apply";
                doc_.Apply(page_);
                break;
            }
        } else if (pick < 72) {
            const int mode = Between(rng_, 0, 4);
            what << "mode " << mode;
            SwitchMode(mode);
        } else if (pick < 90) {
            what << (pick < 84 ? "undo" : "redo");
            UndoRedo(pick < 84);
            return what.str();
        } else {
            what << "save";
            Save();
        }

        if (hadPhoto)
            CheckAfter(pictureBefore, flatBefore, layersBefore, checkKept, mayDropLayer,
                       what.str());
        return what.str();
    }

    TPhotoDocument& Doc() { return doc_; }

private:
    void Open() {
        const TBitmap32 photo =
            RandomPicture(rng_, Between(rng_, 2, 12), Between(rng_, 2, 9), false);
        doc_.Open(photo, "photo.png");
        page_ = TDocPage::Edit;
    }

    void SwitchMode(int mode) {
        doc_.CommitForModeSwitch();
        if (mode == 0) {
            doc_.ShowEditPage();
            page_ = TDocPage::Edit;
        } else {
            doc_.ShowPreviewPage();
            page_ = TDocPage::Preview;
        }
    }

    // The page as the user sees it: the picture alone, or with the layers over it.
    TBitmap32 Shown(bool withLayers) {
        if (page_ == TDocPage::Edit) return TBitmap32(doc_.EditPicture());
        if (!withLayers) return TBitmap32(doc_.PreviewPicture());
        return ShownPreview(preview_);
    }

    void Save() {
        const TBitmap32 expected = Shown(true);
        const int layers = int(PictureLayers(preview_).size());
        TBitmap32 saved;
        doc_.PictureInView(page_, saved);
        EXPECT_TRUE(SamePixels(saved, expected)) << "a. the saved picture differs from the page";
        EXPECT_EQ(int(PictureLayers(preview_).size()), layers) << "a. saving removed layers";
        EXPECT_TRUE(SamePixels(Shown(true), expected)) << "a. saving changed the page";
    }

    void UndoRedo(bool undo) {
        const TBitmap32 before = Shown(false);
        if (undo) {
            if (!doc_.CanUndo(page_)) return;
            doc_.Undo(page_);
            EXPECT_FALSE(SamePixels(Shown(false), before)) << "c. an enabled Undo changed nothing";
            ASSERT_TRUE(doc_.CanRedo(page_)) << "c. Redo is off after Undo";
            doc_.Redo(page_);
            EXPECT_TRUE(SamePixels(Shown(false), before))
                << "c. Undo then Redo shows another picture";
            doc_.Undo(page_);
        } else {
            if (!doc_.CanRedo(page_)) return;
            doc_.Redo(page_);
            EXPECT_FALSE(SamePixels(Shown(false), before)) << "c. an enabled Redo changed nothing";
        }
        EXPECT_FALSE(Shown(false).Empty()) << "d. Undo or Redo emptied the picture";
    }

    void CheckAfter(const TBitmap32& pictureBefore, const TBitmap32& flatBefore,
                    const std::vector<const TCustomLayer*>& layersBefore, bool checkKept,
                    bool mayDropLayer, const std::string& what) {
        EXPECT_FALSE(Shown(false).Empty()) << "d. " << what << " left an empty picture";
        EXPECT_LE(doc_.History().Count(), TPhotoHistory::kMaxSnapshots);
        EXPECT_GE(doc_.HistoryIndex(), 0);
        EXPECT_LE(doc_.HistoryIndex(), doc_.History().Count());
        if (!checkKept) return;
        // b. The picture the user had is still in view or within Undo's reach.
        const bool pictureKept = SamePixels(Shown(false), pictureBefore) ||
                                 InHistory(doc_, pictureBefore) ||
                                 SamePixels(doc_.EditPicture(), pictureBefore) ||
                                 SamePixels(doc_.PreviewPicture(), pictureBefore);
        EXPECT_TRUE(pictureKept) << "b. " << what << " lost the picture";
        // b. Layers stay, or the picture they were merged into is within Undo's reach.
        const auto layersNow = PictureLayers(preview_);
        std::size_t missing = 0;
        for (const TCustomLayer* layer : layersBefore)
            if (std::find(layersNow.begin(), layersNow.end(), layer) == layersNow.end()) ++missing;
        if (missing > (mayDropLayer ? 1u : 0u)) {
            EXPECT_TRUE(InHistory(doc_, flatBefore) || SamePixels(Shown(true), flatBefore))
                << "b. " << what << " lost " << missing << " layer(s)";
        }
    }

    Rng rng_;
    TImgView32 edit_;
    TImgView32 preview_;
    TPhotoDocument doc_;
    TDocPage page_ = TDocPage::Edit;
};

int Sequences() {
    if (const char* n = std::getenv("LUMETTA_MODEL_SEQUENCES")) return std::max(1, std::atoi(n));
    return 3000;
}

TEST(DocumentModel, RandomCommandSequencesKeepTheUsersWork) {
    const int sequences = Sequences();
    for (int s = 0; s < sequences; ++s) {
        Model model(1000u + unsigned(s));
        std::vector<std::string> steps;
        for (int i = 0; i < 40; ++i) {
            steps.push_back(model.Step());
            if (::testing::Test::HasFailure()) {
                std::ostringstream trail;
                for (const std::string& step : steps)
                    trail << step << "; ";
                FAIL() << "sequence " << s << ": " << trail.str();
            }
        }
    }
}

} // namespace
} // namespace lumetta
