#pragma once
// lumetta-batch's work: the object library a recipe needs, the decoration of one photo with the
// very operations of the main window, the list of photos with their output names, and the run
// over that list on several threads.
#include "Recipe.h"

#include "imaging/Bitmap32.h"
#include "library/IniFile.h"
#include "library/ObjectCatalog.h"
#include "library/StreamPack.h"
#include "view/ViewTypes.h"

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace lumetta::batch {

// The paths of the library: the container and the placement index.
struct TLibraryPaths {
    std::string Container, Placements;
};

// The library the program itself would open from folder (ending in "/"): libraryfull.phd,
// else library.phd, and library.phi.
TLibraryPaths DefaultLibrary(const std::string& folder);

// One photo to decorate: n is its number in the whole sorted list (1-based), so that every
// shard names it alike.
struct TJob {
    std::string Input;
    std::string Output;
    std::string Name; // the input's file name without folder and extension
    int Number = 0;
};

// Decorates photos by a recipe. Construction opens the library, decodes every object the recipe
// names once and checks it, so a mistake stops the run before the first photo. Decorate may be
// called from several threads at once.
class TDecorator {
public:
    TDecorator(TRecipe recipe, const TLibraryPaths& library);

    const TRecipe& Recipe() const { return recipe_; }

    // Runs every step on photo, as the main window would in a freshly started program: tone,
    // resize, masks, frames and shadows as its commands do them, clip art and text as layers
    // merged with "Apply".
    void Decorate(TBitmap32& photo, const TJob& job) const;

    // The text layer's bitmap for a text step on a picture of the given height (rendered once
    // per font and text, then shared).
    TBitmap32 TextBitmap(const TStep& step, int pictureHeight, const TJob& job) const;

    // The layer rectangle of a clip-art or text step whose bitmap is w x h on a picture of
    // pictureW x pictureH.
    static TFloatRect LayerLocation(const TStep& step, int w, int h, int pictureW, int pictureH);

    // The size a resize step gives a photo of w x h.
    static std::pair<int, int> ResizedSize(const TStep& step, int w, int h);

private:
    struct Prepared {
        TBitmap32 Object;     // the decoded object image (shared, never written)
        TFrameSpec Placement; // frames and shadows
    };
    TRecipe recipe_;
    std::vector<Prepared> prepared_; // one per step

    mutable std::mutex textMutex_;
    mutable std::map<std::pair<std::string, std::string>, TBitmap32> texts_;
};

// Opens the photo as Open File does. Throws EImageError / EFileError with the reason when it
// cannot be opened.
void OpenPhoto(const std::string& path, TBitmap32& photo);

// The inputs sorted (byte order) without repeats, numbered, narrowed to shard K of N (every
// N-th photo starting with the K-th; 1 of 1 keeps all) and given output paths in outFolder.
// Throws ERecipeError when two photos of the whole list would be written to the same file.
std::vector<TJob> PlanJobs(std::vector<std::string> inputs, const TOutputSpec& output,
                           const std::string& outFolder, int shard, int shards);

struct TRunOptions {
    int Threads = 1;
    bool SkipExisting = false;
    bool Quiet = false;
    // Set (by a signal) to stop taking new photos; those under way are finished.
    const std::atomic<bool>* Stop = nullptr;
};

struct TRunResult {
    int Decorated = 0, Skipped = 0, Failed = 0, NotStarted = 0;
    double Seconds = 0;
    std::vector<std::pair<std::string, std::string>> Failures; // input, reason
};

// Decorates every job, Threads at a time, writing each output atomically. Prints one line per
// photo to out ("[k/N] input -> output 0.21 s") and each failure to err; a failure does not
// stop the others.
TRunResult RunJobs(const TDecorator& decorator, const std::vector<TJob>& jobs,
                   const TRunOptions& options, std::ostream& out, std::ostream& err);

} // namespace lumetta::batch
