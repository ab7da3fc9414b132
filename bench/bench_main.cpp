// The one main() of lumetta_bench: every other bench/*.cpp only registers benchmarks.
//
//   lumetta_bench [Google Benchmark options]
//   lumetta_bench --lumetta_pictures=FOLDER   writes the benchmark pictures (see
//                                             BenchPictures.h) for bench/peers.py and exits
#include "BenchPictures.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    const std::string option = "--lumetta_pictures=";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind(option, 0) == 0) {
            if (bench::WritePictures(arg.substr(option.size()))) return 0;
            std::fprintf(stderr, "cannot write the pictures into %s\n",
                         arg.c_str() + option.size());
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
