#!/usr/bin/python3
"""Times Pillow's Lanczos resize on the sizes of BM_ResampleLanczos (RGBA, median of 5).

Usage: bench/pillow_resize.py [path/to/lumetta_bench]
With the path, Lumetta's imaging benchmarks run first, so both come from one run.
"""
import os
import statistics
import subprocess
import sys
import time

from PIL import Image

RUNS = 5
CASES = [((6000, 4000), (1500, 1000)), ((1500, 1000), (6000, 4000))]


def pillow_medians():
    lanczos = getattr(Image, "Resampling", Image).LANCZOS
    for (sw, sh), (dw, dh) in CASES:
        picture = Image.frombytes("RGBA", (sw, sh), os.urandom(sw * sh * 4))
        picture.resize((dw, dh), lanczos)  # warm-up
        times = []
        for _ in range(RUNS):
            start = time.perf_counter()
            picture.resize((dw, dh), lanczos)
            times.append((time.perf_counter() - start) * 1000.0)
        print(f"Pillow {Image.__version__} LANCZOS {sw}x{sh} -> {dw}x{dh}: "
              f"median {statistics.median(times):.1f} ms (of {RUNS})")


def main():
    if len(sys.argv) > 1:
        subprocess.run([sys.argv[1], "--benchmark_filter=BM_BlendDrawPhoto|BM_PlainTwoReadsOneWrite|BM_Rotate90Photo|BM_ResampleLanczos",
                        f"--benchmark_repetitions={RUNS}",
                        "--benchmark_report_aggregates_only=true"], check=True)
    pillow_medians()


if __name__ == "__main__":
    main()
