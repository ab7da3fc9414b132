#include "Batch.h"

#include "base/SafeFile.h"
#include "codecs/Encoders.h"
#include "codecs/ImageIO.h"
#include "decorate/Compose.h"
#include "decorate/FloatingLayers.h"
#include "decorate/TextLayer.h"
#include "edit/EditGeometry.h"
#include "edit/Tone.h"
#include "library/PlacementIndex.h"
#include "view/ImgView32.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>
#include <set>
#include <thread>

namespace lumetta::batch {

namespace {

bool IsLayerStep(const TStep& s) {
    return s.Kind == StepKind::ClipArt || s.Kind == StepKind::Text;
}

std::string FontKey(const TFontDesc& f) {
    return f.Name + '\n' + std::to_string(f.Size) + '\n' + std::to_string(f.Color) + '\n' +
           char('0' + f.Bold) + char('0' + f.Italic) + char('0' + f.Underline) +
           char('0' + f.StrikeOut) + '\n' + std::to_string(f.Charset);
}

// The name the recipe's object goes by in messages.
std::string Where(const TStep& s) {
    return "[" + s.Section + "] name = " + s.Object;
}

void PrepareObject(const TStep& step, const TiStreamPack& pack,
                   const std::optional<TMemIniFile>& index, const TLibraryPaths& paths,
                   TBitmap32& object, TFrameSpec& placement) {
    const std::string entry = step.Object + ".png";
    if (pack.IndexOf(entry) < 0)
        throw ERecipeError(Where(step) + ": the library " + paths.Container +
                           " has no object of that name");
    try {
        LoadObjectImage(pack, entry, object);
    } catch (const std::exception& e) {
        throw ERecipeError(Where(step) + ": " + e.what());
    }
    if (step.Kind != StepKind::Frame && step.Kind != StepKind::Shadow) return;

    // The program keeps the previous record when an object has none; a batch has no previous
    // object, so a missing record is a mistake in the recipe or the library.
    const char* section = step.Kind == StepKind::Frame ? "Frames" : "Shadows";
    const std::string value = index ? index->ReadString(section, step.Object, "") : "";
    try {
        if (!ParseFrameSpec(value, placement))
            throw ERecipeError(Where(step) + ": no placement record for it in [" + section +
                               "] of " + paths.Placements);
        // A record that cuts pieces outside the template fails on every photo alike: find out
        // now, on a one-pixel photo.
        TBitmap32 probe(1, 1), frame(object);
        ApplyFrameTemplate(probe, frame, placement);
    } catch (const ERecipeError&) {
        throw;
    } catch (const std::exception& e) {
        throw ERecipeError(Where(step) + ": " + e.what());
    }
}

} // namespace

TLibraryPaths DefaultLibrary(const std::string& folder) {
    const std::string full = folder + "libraryfull.phd";
    return {FileExists(full) ? full : folder + "library.phd", folder + "library.phi"};
}

// ------------------------------------------------------------------------------ decorator

TDecorator::TDecorator(TRecipe recipe, const TLibraryPaths& library)
    : recipe_(std::move(recipe)), prepared_(recipe_.Steps.size()) {
    if (!recipe_.UsesLibrary()) return;
    if (!FileExists(library.Container))
        throw ERecipeError("No object library at " + library.Container);
    std::string damaged;
    TiStreamPack pack([&damaged](const std::string& message) { damaged = message; });
    if (!pack.Open(library.Container) || pack.Count() == 0)
        throw ERecipeError(
            library.Container + ": " +
            (damaged.empty() ? std::string("the library holds no objects") : damaged));
    const std::optional<TMemIniFile> index = OpenPlacementIndex(library.Placements);
    for (std::size_t i = 0; i < recipe_.Steps.size(); ++i) {
        const TStep& step = recipe_.Steps[i];
        if (step.Object.empty()) continue;
        PrepareObject(step, pack, index, library, prepared_[i].Object, prepared_[i].Placement);
    }
}

std::pair<int, int> TDecorator::ResizedSize(const TStep& step, int w, int h) {
    if (!step.Fit) return {step.Width, step.Height};
    if (!step.Enlarge && w <= step.Width && h <= step.Height) return {w, h};
    // As typing one side into the resize fields with the proportions kept: the other side
    // follows the photo's width / height, rounded to the nearest with ties to even.
    const double aspect = double(w) / double(h);
    if (std::int64_t(w) * step.Height >= std::int64_t(h) * step.Width)
        return {step.Width, std::max(1, HeightForWidth(step.Width, aspect))};
    return {std::max(1, WidthForHeight(step.Height, aspect)), step.Height};
}

TFloatRect TDecorator::LayerLocation(const TStep& step, int w, int h, int pictureW, int pictureH) {
    double lw = w, lh = h;
    if (step.LayerWidth && step.LayerHeight) {
        lw = step.LayerWidth->Resolve(pictureW);
        lh = step.LayerHeight->Resolve(pictureH);
    } else if (step.LayerWidth) {
        lw = step.LayerWidth->Resolve(pictureW);
        lh = lw * h / w;
    } else if (step.LayerHeight) {
        lh = step.LayerHeight->Resolve(pictureH);
        lw = lh * w / h;
    }
    const double left = step.Place.X.Resolve(pictureW) - step.Place.AnchorX * lw;
    const double top = step.Place.Y.Resolve(pictureH) - step.Place.AnchorY * lh;
    return {float(left), float(top), float(left + lw), float(top + lh)};
}

TBitmap32 TDecorator::TextBitmap(const TStep& step, int pictureHeight, const TJob& job) const {
    TFontDesc font = step.Font;
    if (step.SizePercent) {
        // A font of p points is p * 96 / 72 pixels high on the 96-dpi text device.
        const double points = pictureHeight * *step.SizePercent / 100.0 * 72.0 / 96.0;
        font.Size = int(std::clamp(std::nearbyint(points), 1.0, 5000.0));
    }
    const std::string text = ExpandPattern(step.Text, job.Name, job.Number);

    // The text rasteriser is shared by every thread: one rendering at a time, and each line
    // rendered only once.
    std::lock_guard lock(textMutex_);
    auto key = std::make_pair(FontKey(font), text);
    if (auto it = texts_.find(key); it != texts_.end()) return it->second;
    // The layer is the text box and any overhang with a margin: refuse one that would not fit
    // in memory before anything is drawn.
    if (ITextRasterizer* r = GetTextRasterizer()) {
        const std::int64_t h = std::max(0, r->TextHeight(font, text, false));
        const std::int64_t pad = std::max<std::int64_t>(h, 16);
        const std::int64_t w = std::int64_t(std::max(0, r->TextWidth(font, text, false))) + 2 * pad;
        if (w * (h + 2 * pad) > kMaxPicturePixels || w > kMaxPictureSide ||
            h + 2 * pad > kMaxPictureSide)
            throw EImageError("[" + step.Section + "] the text would be " + std::to_string(w) +
                              " x " + std::to_string(h + 2 * pad) + " pixels, too large to draw");
    }
    TBitmap32 bitmap = RenderTextLayer(font, text);
    if (texts_.size() >= 16) texts_.clear(); // lines that change per photo are not worth keeping
    texts_.emplace(std::move(key), bitmap);
    return bitmap;
}

void TDecorator::Decorate(TBitmap32& photo, const TJob& job) const {
    // The program's ObjectImage: a mask or a stretched frame leaves it in dmBlend, which changes
    // how later nine-piece frames take their pieces. Each photo starts as the program does.
    TBitmap32 objectImage;
    const std::vector<TStep>& steps = recipe_.Steps;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const TStep& step = steps[i];
        switch (step.Kind) {
        case StepKind::AutoContrast:
            AutoContrast(photo);
            break;
        case StepKind::Tone:
            ApplyLookupTable(&photo, &photo,
                             SliderToneTable(step.Contrast, step.Brightness, step.Gamma));
            break;
        case StepKind::Resize: {
            const auto [w, h] = ResizedSize(step, photo.Width(), photo.Height());
            if (w != photo.Width() || h != photo.Height()) ResampleBitmap(photo, w, h, sfLanczos);
            break;
        }
        case StepKind::Mask:
            objectImage.AssignPicture(prepared_[i].Object, true);
            ApplyMaskTo(photo, objectImage);
            break;
        case StepKind::Frame:
        case StepKind::Shadow:
            objectImage.AssignPicture(prepared_[i].Object, true);
            ApplyFrameTemplate(photo, objectImage, prepared_[i].Placement);
            break;
        case StepKind::ClipArt:
        case StepKind::Text: {
            // Consecutive layers float together and are merged at once, which gives the same
            // pixels as merging each in turn.
            TImgView32 view;
            view.Picture().Assign(photo);
            for (; i < steps.size() && IsLayerStep(steps[i]); ++i) {
                const TStep& layer = steps[i];
                TBitmap32 bitmap = layer.Kind == StepKind::ClipArt
                                       ? prepared_[i].Object
                                       : TextBitmap(layer, photo.Height(), job);
                // Sized as the window sizes new clip art for this picture.
                if (layer.Kind == StepKind::ClipArt)
                    FitClipArtTo(bitmap, photo.Width(), photo.Height());
                AddPictureLayer(view, bitmap,
                                LayerLocation(layer, bitmap.Width(), bitmap.Height(), photo.Width(),
                                              photo.Height()));
            }
            --i;
            RenderWithLayers(view, photo);
            break;
        }
        }
    }
}

void OpenPhoto(const std::string& path, TBitmap32& photo) {
    // ReadWholeFile words the reason a file cannot be read at all (missing, a folder, denied).
    if (!FileExists(path)) ReadWholeFile(path);
    TBitmap32 tested, loaded;
    std::string notice;
    if (LoadImageFile(path, tested, &loaded, &notice)) {
        // The window shows such a photo with its gaps and says so; a batch cannot ask, and a
        // decorated photo with a grey band is no result, so the photo counts as failed.
        if (!notice.empty()) throw EImageError(notice);
        photo.AssignPicture(loaded, true);
        return;
    }
    // Open File says nothing about a failure; a batch names the reason.
    LoadPictureFile(tested, path);
    throw EImageError(path + " cannot be opened as a picture");
}

// ------------------------------------------------------------------------------ planning

std::vector<TJob> PlanJobs(std::vector<std::string> inputs, const TOutputSpec& output,
                           const std::string& outFolder, int shard, int shards) {
    std::sort(inputs.begin(), inputs.end());
    inputs.erase(std::unique(inputs.begin(), inputs.end()), inputs.end());
    std::string folder = outFolder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();

    std::vector<TJob> jobs;
    std::map<std::string, const std::string*> written; // output name -> input
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        TJob job;
        job.Input = inputs[i];
        job.Number = int(i + 1);
        job.Name = std::filesystem::path(job.Input).filename().stem().string();
        const std::string name =
            ExpandPattern(output.Pattern, job.Name, job.Number) + output.Extension();
        // The pattern must give a plain file name: nothing may land outside the folder.
        if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos ||
            name == output.Extension())
            throw ERecipeError("The name pattern " + output.Pattern + " gives \"" + name +
                               "\" for " + job.Input + ", which is not a file name");
        auto [it, fresh] = written.emplace(name, &inputs[i]);
        if (!fresh)
            throw ERecipeError("Both " + *it->second + " and " + job.Input +
                               " would be written to " + name +
                               "; put {n} into the name pattern of [Output]");
        job.Output = (folder == "/" ? "" : folder) + "/" + name;
        if (int(i % std::size_t(shards)) == shard - 1) jobs.push_back(std::move(job));
    }
    return jobs;
}

// ------------------------------------------------------------------------------ running

TRunResult RunJobs(const TDecorator& decorator, const std::vector<TJob>& jobs,
                   const TRunOptions& options, std::ostream& out, std::ostream& err) {
    using Clock = std::chrono::steady_clock;
    TRunResult result;
    std::mutex mutex; // guards result and both streams
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> started{0};
    const TOutputSpec& output = decorator.Recipe().Output;
    const std::string count = std::to_string(jobs.size());
    const auto begin = Clock::now();

    auto process = [&](std::size_t index) {
        const TJob& job = jobs[index];
        const std::string label = "[" + std::to_string(index + 1) + "/" + count + "] " + job.Input;
        if (options.SkipExisting && FileExists(job.Output)) {
            std::lock_guard lock(mutex);
            ++result.Skipped;
            if (!options.Quiet)
                out << label << " -> " << job.Output << " exists, skipped\n" << std::flush;
            return;
        }
        const auto start = Clock::now();
        std::string failure;
        try {
            std::error_code ec;
            if (std::filesystem::equivalent(job.Input, job.Output, ec))
                throw Error("the output " + job.Output + " would replace the photo itself");
            TBitmap32 photo;
            OpenPhoto(job.Input, photo);
            decorator.Decorate(photo, job);
            SavePicture(photo, job.Output, output.FileType, output.Quality);
        } catch (const std::bad_alloc&) {
            failure = "out of memory";
        } catch (const std::exception& e) {
            failure = e.what();
        } catch (...) {
            failure = "unknown error";
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::lock_guard lock(mutex);
        if (failure.empty()) {
            ++result.Decorated;
            if (!options.Quiet) {
                char time[32];
                std::snprintf(time, sizeof time, "%.2f", seconds);
                out << label << " -> " << job.Output << ' ' << time << " s\n" << std::flush;
            }
        } else {
            ++result.Failed;
            result.Failures.emplace_back(job.Input, failure);
            err << label << " failed: " << failure << '\n' << std::flush;
        }
    };

    auto worker = [&] {
        for (;;) {
            if (options.Stop && options.Stop->load()) return;
            const std::size_t index = next++;
            if (index >= jobs.size()) return;
            ++started;
            process(index);
        }
    };

    const std::size_t threads = std::clamp<std::size_t>(std::size_t(std::max(options.Threads, 1)),
                                                        1, std::max<std::size_t>(jobs.size(), 1));
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < threads; ++t)
        helpers.emplace_back(worker);
    worker();
    for (std::thread& t : helpers)
        t.join();

    // Failures in list order, whatever order the threads finished in.
    std::map<std::string, std::size_t> order;
    for (std::size_t i = 0; i < jobs.size(); ++i)
        order.emplace(jobs[i].Input, i);
    std::sort(result.Failures.begin(), result.Failures.end(),
              [&](const auto& a, const auto& b) { return order[a.first] < order[b.first]; });
    result.NotStarted = int(jobs.size() - std::min(started.load(), jobs.size()));
    result.Seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    return result;
}

} // namespace lumetta::batch
