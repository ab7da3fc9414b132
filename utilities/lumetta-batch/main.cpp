// lumetta-batch: the same decorations on many photos, from a recipe.
//   lumetta-batch RECIPE PHOTO... -o OUTDIR
//   lumetta-batch --help
#include "Batch.h"

#include "base/SafeFile.h"
#include "codecs/ImageIO.h"
#include "ui/QtTextRasterizer.h"

#include <QGuiApplication>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <thread>
#include <unistd.h>

using namespace lumetta;
using namespace lumetta::batch;

namespace {

const char* const kUsage = R"(Usage: lumetta-batch RECIPE PHOTO... -o OUTDIR [options]
       lumetta-batch RECIPE --list FILE -o OUTDIR [options]

Decorates every photo by the recipe (an ini file; see docs/batch.md) with the same
operations as Lumetta, and writes the results into OUTDIR under the recipe's name
pattern. A PHOTO that is a folder stands for the pictures in it.

Options:
  -o, --output DIR     where the decorated photos go (created when missing)
      --list FILE      read photo paths from FILE, one per line ("-": standard input)
  -j, --jobs N         decorate N photos at once (default: the number of cores)
      --shard K/N      decorate only every N-th photo of the sorted list, starting
                       with the K-th (1 <= K <= N), to split a shoot over machines
      --skip-existing  leave photos whose output file already exists (resumes a run)
      --library FILE   the object container (default: libraryfull.phd or library.phd
                       beside lumetta-batch); library.phi is taken from its folder
      --placements FILE  the placement index (default: library.phi beside the container)
  -q, --quiet          no line per photo; failures and the summary are still shown
  -h, --help           this text
      --version        the version

Exit status: 0 when every photo was decorated (or skipped), 1 when some failed,
2 when nothing could start (a mistake in the recipe or the options), 128 + the
signal's number when interrupted (photos under way are finished first).
)";

std::atomic<bool> gStop{false};
std::atomic<int> gSignal{0};

extern "C" void OnSignal(int number) {
    if (gStop.exchange(true)) {
        // A second signal: stop at once, the way the signal would without us.
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    gSignal = number;
}

[[noreturn]] void Refuse(const std::string& message) {
    std::cerr << "lumetta-batch: " << message << '\n';
    std::exit(2);
}

// The folder of the running program, ending in "/".
std::string ProgramFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "./";
    return exe.parent_path().string() + "/";
}

void AddInput(const std::string& path, std::vector<std::string>& inputs) {
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) {
        inputs.push_back(path);
        return;
    }
    // A folder: every file in it with a picture extension (not its sub-folders).
    for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        const std::string ext = entry.path().extension().string();
        if (ext.size() > 1 && HasPictureDecoder(ext)) inputs.push_back(entry.path().string());
    }
    if (ec) Refuse("Cannot read the folder " + path + ": " + ec.message());
}

void ReadList(const std::string& file, std::vector<std::string>& inputs) {
    std::ifstream stream;
    std::istream* in = &std::cin;
    if (file != "-") {
        stream.open(file);
        if (!stream) Refuse("Cannot open the list " + file);
        in = &stream;
    }
    std::string line;
    while (std::getline(*in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) AddInput(line, inputs);
    }
}

bool ParseShard(const std::string& text, int& k, int& n) {
    const auto slash = text.find('/');
    if (slash == std::string::npos) return false;
    try {
        std::size_t used = 0;
        k = std::stoi(text.substr(0, slash), &used);
        if (used != slash) return false;
        n = std::stoi(text.substr(slash + 1), &used);
        if (used != text.size() - slash - 1) return false;
    } catch (const std::exception&) {
        return false;
    }
    return n >= 1 && k >= 1 && k <= n;
}

// Hidden temporaries of this run's outputs left by a run that was killed while writing them.
void RemoveStaleTemporaries(const std::string& folder, const std::vector<TJob>& jobs) {
    std::set<std::string> names;
    for (const TJob& job : jobs)
        names.insert(std::filesystem::path(job.Output).filename().string());
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        // ".<output>.XXXXXX": the writer's temporary name for <output>.
        if (name.size() < 9 || name[0] != '.' || name[name.size() - 7] != '.') continue;
        if (names.count(name.substr(1, name.size() - 8)) && entry.is_regular_file(ec))
            std::filesystem::remove(entry.path(), ec);
    }
}

} // namespace

int main(int argc, char** argv) {
    // "--jobs=2" and "-j2" are the same as "--jobs 2" and "-j 2".
    std::vector<std::string> args;
    bool split = true; // not after "--"
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const auto eq = a.find('=');
        if (a == "--") split = false;
        if (!split) {
            args.push_back(std::move(a));
        } else if (a.rfind("--", 0) == 0 && eq != std::string::npos) {
            args.push_back(a.substr(0, eq));
            args.push_back(a.substr(eq + 1));
        } else if (a.size() > 2 && a[0] == '-' && (a[1] == 'j' || a[1] == 'o')) {
            args.push_back(a.substr(0, 2));
            args.push_back(a.substr(2));
        } else {
            args.push_back(std::move(a));
        }
    }
    std::string recipePath, outFolder, library, placements;
    std::vector<std::string> inputs;
    int jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    int shard = 1, shards = 1;
    bool skipExisting = false, quiet = false, onlyPositional = false;

    auto value = [&](std::size_t& i, const std::string& option) -> std::string {
        if (i + 1 >= args.size()) Refuse(option + " needs a value (see --help)");
        return args[++i];
    };
    std::vector<std::string> lists;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyPositional || a.empty() || a[0] != '-' || a == "-") {
            if (recipePath.empty())
                recipePath = a;
            else
                AddInput(a, inputs);
        } else if (a == "--") {
            onlyPositional = true;
        } else if (a == "-h" || a == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--version") {
            std::cout << "lumetta-batch " LUMETTA_VERSION "\n";
            return 0;
        } else if (a == "-o" || a == "--output") {
            outFolder = value(i, a);
        } else if (a == "--list") {
            lists.push_back(value(i, a));
        } else if (a == "-j" || a == "--jobs") {
            const std::string v = value(i, a);
            try {
                std::size_t used = 0;
                jobs = std::stoi(v, &used);
                if (used != v.size() || jobs < 1 || jobs > 256) throw std::out_of_range(v);
            } catch (const std::exception&) {
                Refuse("-j needs a number of photos from 1 to 256, not " + v);
            }
        } else if (a == "--shard") {
            const std::string v = value(i, a);
            if (!ParseShard(v, shard, shards))
                Refuse("--shard needs K/N with 1 <= K <= N, not " + v);
        } else if (a == "--skip-existing") {
            skipExisting = true;
        } else if (a == "--library") {
            library = value(i, a);
        } else if (a == "--placements") {
            placements = value(i, a);
        } else if (a == "-q" || a == "--quiet") {
            quiet = true;
        } else {
            Refuse("unknown option " + a + " (see --help)");
        }
    }
    if (recipePath.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    if (outFolder.empty()) Refuse("no output folder: give -o OUTDIR");
    for (const std::string& list : lists)
        ReadList(list, inputs);
    if (inputs.empty()) Refuse("no photos given");

    TRecipe recipe;
    std::vector<TJob> plan;
    try {
        recipe = LoadRecipe(recipePath);
        plan = PlanJobs(inputs, recipe.Output, outFolder, shard, shards);
    } catch (const std::exception& e) {
        Refuse(e.what());
    }

    // The library: options first, then the recipe's [Library], then the program's own.
    TLibraryPaths paths = DefaultLibrary(ProgramFolder());
    const std::string container = !library.empty() ? library : recipe.Container;
    if (!container.empty()) {
        paths.Container = container;
        paths.Placements =
            (std::filesystem::path(container).parent_path() / "library.phi").string();
    }
    if (!recipe.Placements.empty()) paths.Placements = recipe.Placements;
    if (!placements.empty()) paths.Placements = placements;

    // Text needs Qt's fonts, the same rasteriser as the program's; nothing is ever shown.
    std::unique_ptr<QGuiApplication> app;
    std::unique_ptr<ui::QtTextRasterizer> rasterizer;
    if (recipe.HasText()) {
        // Qt's start-up notes (no runtime folder, and the like) mean nothing to a batch run.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::cerr << "lumetta-batch: " << text.toStdString() << '\n';
        });
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int qtArgc = 1;
        static char qtName[] = "lumetta-batch";
        static char* qtArgv[] = {qtName, nullptr};
        app = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
        rasterizer = std::make_unique<ui::QtTextRasterizer>();
        SetTextRasterizer(rasterizer.get());
    }

    std::unique_ptr<TDecorator> decorator;
    try {
        decorator = std::make_unique<TDecorator>(std::move(recipe), paths);
        std::filesystem::create_directories(outFolder);
    } catch (const std::exception& e) {
        Refuse(e.what());
    }
    RemoveStaleTemporaries(outFolder, plan);

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);

    TRunOptions options;
    options.Threads = jobs;
    options.SkipExisting = skipExisting;
    options.Quiet = quiet;
    options.Stop = &gStop;
    const TRunResult r = RunJobs(*decorator, plan, options, std::cout, std::cerr);

    char rate[64];
    std::snprintf(rate, sizeof rate, "%.1f s (%.2f photos/s, -j %d)", r.Seconds,
                  r.Seconds > 0 ? r.Decorated / r.Seconds : 0.0,
                  std::min<int>(jobs, int(plan.size())));
    std::cout << "Decorated " << r.Decorated << " of " << plan.size() << " photos in " << rate;
    if (r.Skipped) std::cout << "; " << r.Skipped << " skipped";
    if (r.Failed) std::cout << "; " << r.Failed << " failed";
    if (r.NotStarted) std::cout << "; " << r.NotStarted << " not started (interrupted)";
    std::cout << ".\n" << std::flush;
    if (r.Failed) {
        std::cerr << "Failed photos:\n";
        for (const auto& [input, reason] : r.Failures)
            std::cerr << "  " << input << ": " << reason << '\n';
    }
    SetTextRasterizer(nullptr);
    if (gSignal) return 128 + gSignal;
    return r.Failed ? 1 : 0;
}
