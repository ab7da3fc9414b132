// Whole commands through the main window (offscreen platform, scripted dialogs):
//   * Open File of a 24-megapixel JPEG beside a bare decode of the same file;
//   * start-up with 400 thumbnails in Data/ beside start-up with an empty Data/.
#include "codecs/ImageIO.h"
#include "guisupport/ScriptedPlatformServices.h"
#include "library/ObjectCatalog.h"
#include "ui/MainWindow.h"
#include "ui/QtTextRasterizer.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace lumetta;
using namespace lumetta::ui;
namespace fs = std::filesystem;

namespace {

fs::path WorkDir() {
    static fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("lumetta-bench-ui-" + std::to_string(getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

const std::string& PhotoPath() {
    static std::string path = [] {
        const std::string p = (WorkDir() / "photo24mp.jpg").string();
        QImage image(6000, 4000, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] = qRgb((x * 255) / 6000, (y * 255) / 4000, ((x ^ y) & 63) + 96);
        }
        image.save(QString::fromStdString(p), "JPG", 92);
        return p;
    }();
    return path;
}

// A program folder whose Data/ holds `thumbnails` JPEG thumbnails.
std::string ProgramFolder(int thumbnails) {
    const fs::path dir = WorkDir() / ("app" + std::to_string(thumbnails));
    if (!fs::exists(dir / "Data")) {
        fs::create_directories(dir / "Data");
        QImage thumb(112, 82, QImage::Format_RGB32);
        thumb.fill(QColor(120, 160, 200));
        for (int i = 0; i < thumbnails; ++i) {
            const char* kinds[] = {"Frame", "Mask", "ClipArt", "Shadow"};
            const fs::path name =
                dir / "Data" / (std::string(kinds[i % 4]) + std::to_string(i) + ".jpg");
            thumb.save(QString::fromStdString(name.string()), "JPG", 85);
        }
    }
    return dir.string();
}

void BM_BareDecode24MP(benchmark::State& state) {
    const std::string path = PhotoPath();
    for (auto _ : state) {
        TBitmap32 bitmap;
        LoadPictureFile(bitmap, path);
        benchmark::DoNotOptimize(bitmap.ConstBits());
    }
}
BENCHMARK(BM_BareDecode24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenFileCommand24MP(benchmark::State& state) {
    const std::string path = PhotoPath();
    ScriptedPlatformServices services;
    MainWindowOptions options;
    options.exeDir = ProgramFolder(0);
    options.services = &services;
    TfrmMain window(options);
    for (auto _ : state) {
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
        window.Actions().actOpenFile->trigger();
        benchmark::DoNotOptimize(window.Document().EditedPhoto().ConstBits());
    }
    if (window.Document().EditedPhoto().Width() != 6000)
        state.SkipWithError("the photo did not open");
}
BENCHMARK(BM_OpenFileCommand24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StartUp(benchmark::State& state) {
    const std::string folder = ProgramFolder(int(state.range(0)));
    ScriptedPlatformServices services;
    for (auto _ : state) {
        MainWindowOptions options;
        options.exeDir = folder;
        options.services = &services;
        TfrmMain window(options);
        window.show();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_StartUp)->Arg(0)->Arg(400)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QtTextRasterizer rasterizer;
    SetTextRasterizer(&rasterizer);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetTextRasterizer(nullptr);
    std::error_code ec;
    fs::remove_all(WorkDir(), ec);
    return 0;
}
namespace {
// The listing alone, for reference: start-up lists the thumbnails but decodes none of them.
void BM_ListOnly(benchmark::State& state) {
    const std::string folder = ProgramFolder(int(state.range(0))) + "/Data/";
    for (auto _ : state)
        benchmark::DoNotOptimize(lumetta::ListThumbnails(folder, "*.jpg"));
}
BENCHMARK(BM_ListOnly)->Arg(0)->Arg(400)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
