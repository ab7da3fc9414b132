// Replays inputs through a fuzz target with the ordinary build: the seed corpus and the
// regression inputs of every target run as ctest tests (fuzz_replay_<target>).
//   fuzz_replay TARGET FILE-OR-FOLDER...
// Folders that do not exist are skipped; a broken check aborts, failing the test.
#include "FuzzTarget.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#define LUMETTA_DECLARE(name) int Fuzz_##name(const std::uint8_t*, std::size_t);
LUMETTA_FUZZ_TARGETS(LUMETTA_DECLARE)

namespace {

using Target = int (*)(const std::uint8_t*, std::size_t);

Target Find(const char* name) {
#define LUMETTA_MATCH(n)                                                                           \
    if (std::strcmp(name, #n) == 0) return Fuzz_##n;
    LUMETTA_FUZZ_TARGETS(LUMETTA_MATCH)
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const Target target = argc > 1 ? Find(argv[1]) : nullptr;
    if (!target) {
        std::fprintf(stderr, "usage: fuzz_replay TARGET FILE-OR-FOLDER...\n");
        return 2;
    }
    std::vector<fs::path> inputs;
    for (int i = 2; i < argc; ++i) {
        std::error_code ec;
        if (fs::is_directory(argv[i], ec)) {
            for (const auto& entry : fs::recursive_directory_iterator(argv[i]))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
        } else if (fs::is_regular_file(argv[i], ec)) {
            inputs.emplace_back(argv[i]);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%s: %zu inputs replayed\n", argv[1], inputs.size());
    std::error_code ec;
    fs::remove_all(lumetta::fuzz::ScratchFolder(), ec);
    return 0;
}
