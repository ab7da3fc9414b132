// Whole commands through the main window (offscreen platform, scripted dialogs):
//   * Open File of a 24-megapixel JPEG beside a bare decode of the same file;
//   * start-up with 400 thumbnails in Data/ beside start-up with an empty Data/, and beside a
//     bare QMainWindow of the same size;
//   * a whole process started until its window is shown: Lumetta with the library beside this
//     program, and a program that shows a bare QMainWindow (children of this program);
//   * the resident memory at the peak of a second Open beside that of a bare decode.
#include "base/PixelMemory.h"
#include "codecs/ImageIO.h"
#include "guisupport/ScriptedPlatformServices.h"
#include "library/ObjectCatalog.h"
#include "ui/MainWindow.h"
#include "ui/QtTextRasterizer.h"

#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

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

// Resident memory of the process, now and at its peak since the last ResetPeak, in bytes.
struct Resident {
    double now = 0;
    double peak = 0;
};
Resident ReadResident() {
    Resident r;
    std::ifstream status("/proc/self/status");
    std::string key;
    double kb = 0;
    while (status >> key) {
        if (key == "VmRSS:" && status >> kb) r.now = kb * 1024;
        if (key == "VmHWM:" && status >> kb) r.peak = kb * 1024;
    }
    return r;
}
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
constexpr double kMB = 1024.0 * 1024.0;

// The memory a bare decode of the photo needs: the picture plus the decoder's working set.
void BM_PeakBareDecode24MP(benchmark::State& state) {
    const std::string path = PhotoPath();
    double above = 0;
    for (auto _ : state) {
        PixelMemory::Trim();
        ResetPeak();
        const double base = ReadResident().now;
        {
            TBitmap32 bitmap;
            LoadPictureFile(bitmap, path);
            benchmark::DoNotOptimize(bitmap.ConstBits());
        }
        above = ReadResident().peak - base;
    }
    PixelMemory::Trim();
    state.counters["peak_MB"] = above / kMB;
    state.counters["photo_MB"] = 6000.0 * 4000 * 4 / kMB;
}
BENCHMARK(BM_PeakBareDecode24MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Open File of a photo while another one is open (Arg 1: with edits on it, discarded when the
// question comes): the peak of resident memory during the second Open, above what the window
// held before the first photo, beside what the first photo held when the second Open began. The
// second Open follows the edits at once, while the scratch pictures they freed are still in the
// reuse cache.
void BM_PeakSecondOpen24MP(benchmark::State& state) {
    const std::string path = PhotoPath();
    const bool edited = state.range(0) != 0;
    ScriptedPlatformServices services;
    MainWindowOptions options;
    options.exeDir = ProgramFolder(0);
    options.services = &services;
    TfrmMain window(options);
    double above = 0, held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        window.Document().Close();
        PixelMemory::Trim();
        const double base = ReadResident().now;
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
        window.Actions().actOpenFile->trigger();
        if (edited) {
            // Two edits (each leaves the picture before it in the history), then the preview.
            window.Document().RunEdit([](TBitmap32& b) { b.FlipHorz(); });
            window.Document().RunEdit([](TBitmap32& b) { b.FlipVert(); });
            window.Actions().actAddClipArt->trigger();
            services.messageAnswers.push_back(MessageResult::Discard);
        }
        held = ReadResident().now - base;
        ResetPeak();
        state.ResumeTiming();
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
        window.Actions().actOpenFile->trigger();
        state.PauseTiming();
        above = ReadResident().peak - base;
        state.ResumeTiming();
    }
    if (window.Document().EditedPhoto().Width() != 6000)
        state.SkipWithError("the photo did not open");
    window.Document().Close();
    PixelMemory::Trim();
    state.counters["peak_MB"] = above / kMB;
    // What the first photo (with its history) held when the second Open began.
    state.counters["held_MB"] = held / kMB;
}
BENCHMARK(BM_PeakSecondOpen24MP)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// A bare main window of the same size, created, shown and destroyed: what start-up is
// compared with.
void BM_StartUpBareWindow(benchmark::State& state) {
    std::optional<QMainWindow> window;
    for (auto _ : state) {
        window.emplace();
        window->setCentralWidget(new QWidget(&*window));
        window->resize(750, 550);
        window->show();
        QApplication::processEvents();
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpBareWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// Start-up to the shown window. The exit sequence (settings and log written to disk) is not
// part of it and runs outside the timing.
// The program's own path, for starting its children.
std::string SelfPath() {
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).string();
}

// Starts this program as a child that shows a window and ends as soon as the window has been
// exposed: Arg 0 a bare QMainWindow, Arg 1 Lumetta's main window with the library, the welcome
// picture and the thumbnails beside this program (as the lumetta executable finds them).
void BM_ProcessStartUp(benchmark::State& state) {
    const std::string self = SelfPath();
    const std::string mode =
        state.range(0) == 0 ? "--startup-child=bare" : "--startup-child=lumetta";
    double cpu = 0;
    for (auto _ : state) {
        char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>(mode.c_str()), nullptr};
        pid_t pid = 0;
        if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start the child");
            return;
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the child failed");
            return;
        }
        cpu += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    }
    // The child's processor time (user and system), steadier than wall time on a busy machine.
    state.counters["child_cpu_ms"] = cpu / double(state.iterations());
}
BENCHMARK(BM_ProcessStartUp)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StartUp(benchmark::State& state) {
    const std::string folder = ProgramFolder(int(state.range(0)));
    ScriptedPlatformServices services;
    std::optional<TfrmMain> window;
    for (auto _ : state) {
        MainWindowOptions options;
        options.exeDir = folder;
        options.services = &services;
        window.emplace(options);
        window->show();
        QApplication::processEvents();
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUp)->Arg(0)->Arg(400)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

namespace {

// The child of BM_ProcessStartUp: start-up as the lumetta executable does it (or a bare window),
// ended without the exit sequence once the window has been exposed.
int RunStartUpChild(int argc, char** argv, const std::string& mode) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumetta"));
    QtTextRasterizer rasterizer;
    SetTextRasterizer(&rasterizer);
    std::optional<QMainWindow> bare;
    std::optional<TfrmMain> lumetta;
    QMainWindow* window = nullptr;
    if (mode == "bare") {
        bare.emplace();
        bare->setCentralWidget(new QWidget(&*bare));
        bare->resize(750, 550);
        window = &*bare;
    } else {
        lumetta.emplace();
        window = &*lumetta;
    }
    window->show();
    // Exposed and painted: the expose event paints the window; the zero timer runs after it.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window->windowHandle() && window->windowHandle()->isExposed()) std::_Exit(0);
    });
    poll.start(0);
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--startup-child=", 0) == 0)
            return RunStartUpChild(argc, argv, arg.substr(16));
    }
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
