#!/usr/bin/python3
"""Times Lumetta beside its peers on the same generated pictures, in one run, and prints the ratios.

Usage (as root or with sudo, which installing the peers needs the first time):

    /usr/bin/python3 bench/peers.py [path/to/lumetta_bench] [--rounds N] [--only WORD]

The peers are Pillow, libvips (through its GObject bindings) and libjpeg-turbo's cjpeg and djpeg;
the script installs their Debian packages when they are missing. lumetta_bench writes the
pictures it measures (--lumetta_pictures=FOLDER), so every program works on the very same pixels
and files. Each round runs every program once on every case, the programs in a rotated order
(so that none always runs first or last on a machine shared with other work); the table shows
the median over the rounds of each program's time per case (wall clock, milliseconds) and the
ratios. A "floor" is Lumetta's own benchmark of the bare memory traffic of that case.
"""
import argparse
import io
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

PEER_PACKAGES = ["python3-pil", "python3-gi", "gir1.2-vips-8.0", "libjpeg-turbo-progs"]


def install_peers():
    missing = []
    for package in PEER_PACKAGES:
        status = subprocess.run(["dpkg-query", "-W", "-f=${Status}", package],
                                capture_output=True, text=True).stdout
        if "install ok installed" not in status:
            missing.append(package)
    if not missing:
        return
    print("Installing " + " ".join(missing), flush=True)
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(sudo + ["apt-get", "update", "-q"], check=True, env=env)
    subprocess.run(sudo + ["apt-get", "install", "-y", "-q", "--no-install-recommends"] + missing,
                   check=True, env=env)


# Each case: a name, Lumetta's benchmark, its floor (or None), and what the peers do.
CASES = [
    ("Tone preview, 24 MP", "BM_TonePreviewMove24MP", "BM_ToneCopySameBytes24MP"),
    ("Lanczos 6000x4000 -> 1500x1000", "BM_ResampleLanczos/6000/4000/1500/1000",
     "BM_ResampleFloor/6000/4000/1500/1000"),
    ("Lanczos 1500x1000 -> 6000x4000", "BM_ResampleLanczos/1500/1000/6000/4000",
     "BM_ResampleFloor/1500/1000/6000/4000"),
    ("GIF save, 12 MP", "BM_SaveGif12MP", None),
    ("JPEG save q90, 24 MP", "BM_SaveJpeg24MP", None),
    ("PNG save level 7, 24 MP", "BM_SavePng24MP", None),
    ("JPEG decode, 24 MP", "BM_DecodeJpeg24MP", None),
    ("PNG decode, 24 MP", "BM_DecodePng24MP", None),
]


def halftone_palette():
    """The 6 x 6 x 6 cube and the 40 extra greys of Lumetta's GIF writer, in its order."""
    palette = []
    for r in range(6):
        for g in range(6):
            for b in range(6):
                palette += [r * 51, g * 51, b * 51]
    for k in range(1, 45):
        if k % 9:
            v = (k * 255 * 2 + 45) // 90
            palette += [v, v, v]
    return palette


def time_call(fn, min_seconds=0.1):
    """Mean wall time in ms of fn over as many calls as fill min_seconds (at least one)."""
    count, start = 0, time.perf_counter()
    while True:
        fn()
        count += 1
        elapsed = time.perf_counter() - start
        if elapsed >= min_seconds:
            return elapsed * 1000.0 / count


class Pillow:
    name = "Pillow"

    def __init__(self, folder):
        from PIL import Image
        self.Image = Image
        self.version = Image.__version__
        raw = lambda f: open(os.path.join(folder, f), "rb").read()
        self.rgba24 = Image.frombytes("RGBA", (6000, 4000), raw("photo24.rgba"))
        self.rgb24 = self.rgba24.convert("RGB")
        self.rgb12 = Image.frombytes("RGBA", (4000, 3000), raw("photo12.rgba")).convert("RGB")
        self.noisy_big = Image.frombytes("RGBA", (6000, 4000), raw("noisy6000x4000.rgba"))
        self.noisy_small = Image.frombytes("RGBA", (1500, 1000), raw("noisy1500x1000.rgba"))
        self.jpeg = raw("photo24.jpg")
        self.png = raw("photo24.png")
        self.palette = Image.new("P", (1, 1))
        self.palette.putpalette(halftone_palette())
        lut = [min(255, max(0, int(i * 1.2) - 10)) for i in range(256)]
        self.lut = lut * 3
        self.lanczos = getattr(Image, "Resampling", Image).LANCZOS
        self.dither = getattr(Image, "Dither", Image).FLOYDSTEINBERG

    def save(self, image, fmt, **options):
        buffer = io.BytesIO()
        image.save(buffer, fmt, **options)
        return buffer

    def cases(self):
        I = self.Image
        return {
            "BM_TonePreviewMove24MP": lambda: self.rgb24.point(self.lut),
            "BM_ResampleLanczos/6000/4000/1500/1000":
                lambda: self.noisy_big.resize((1500, 1000), self.lanczos),
            "BM_ResampleLanczos/1500/1000/6000/4000":
                lambda: self.noisy_small.resize((6000, 4000), self.lanczos),
            "BM_SaveGif12MP": lambda: self.save(
                self.rgb12.quantize(palette=self.palette, dither=self.dither), "GIF"),
            "BM_SaveJpeg24MP": lambda: self.save(self.rgb24, "JPEG", quality=90),
            "BM_SavePng24MP": lambda: self.save(self.rgb24, "PNG", compress_level=7),
            "BM_DecodeJpeg24MP": lambda: I.open(io.BytesIO(self.jpeg)).load(),
            "BM_DecodePng24MP": lambda: I.open(io.BytesIO(self.png)).load(),
        }


class Libvips:
    name = "libvips"

    def __init__(self, folder):
        import gi
        gi.require_version("Vips", "8.0")
        from gi.repository import GObject, Vips
        self.GObject, self.Vips = GObject, Vips
        Vips.init("peers")
        Vips.cache_set_max(0)  # every call computes
        self.version = Vips.version_string()
        raw = lambda f: open(os.path.join(folder, f), "rb").read()
        image = lambda data, w, h, bands: Vips.Image.new_from_memory_copy(
            data, w, h, bands, Vips.BandFormat.UCHAR).copy_memory()
        rgba24 = image(raw("photo24.rgba"), 6000, 4000, 4)
        self.rgb24 = self.out("extract_band", **{"in": rgba24, "band": 0, "n": 3}).copy_memory()
        self.noisy_big = image(raw("noisy6000x4000.rgba"), 6000, 4000, 4)
        self.noisy_small = image(raw("noisy1500x1000.rgba"), 1500, 1000, 4)
        self.lut = image(bytes(min(255, max(0, int(i * 1.2) - 10)) for i in range(256)), 256, 1, 1)
        self.jpeg = self.blob(raw("photo24.jpg"))
        self.png = self.blob(raw("photo24.png"))

    def blob(self, data):
        return self.Vips.Blob.copy(data)

    def run(self, name, **props):
        op = self.Vips.Operation.new(name)
        for key, value in props.items():
            self.GObject.Object.set_property(op, key, value)
        built = self.Vips.cache_operation_build(op)
        if built is None:
            raise RuntimeError(self.Vips.error_buffer())
        return built

    def out(self, name, **props):
        return self.GObject.Object.get_property(self.run(name, **props), "out")

    def cases(self):
        V = self.Vips
        # copy_memory() makes libvips compute every pixel (it is lazy otherwise).
        return {
            "BM_TonePreviewMove24MP":
                lambda: self.out("maplut", **{"in": self.rgb24, "lut": self.lut}).copy_memory(),
            "BM_ResampleLanczos/6000/4000/1500/1000": lambda: self.out(
                "resize", **{"in": self.noisy_big, "scale": 0.25,
                             "kernel": V.Kernel.LANCZOS3}).copy_memory(),
            "BM_ResampleLanczos/1500/1000/6000/4000": lambda: self.out(
                "resize", **{"in": self.noisy_small, "scale": 4.0,
                             "kernel": V.Kernel.LANCZOS3}).copy_memory(),
            "BM_SaveJpeg24MP": lambda: self.run(
                "jpegsave_buffer", **{"in": self.rgb24, "Q": 90,
                                      "subsample_mode": V.ForeignSubsample.ON}),
            "BM_SavePng24MP": lambda: self.run(
                "pngsave_buffer", **{"in": self.rgb24, "compression": 7,
                                     "filter": V.ForeignPngFilter.SUB}),
            "BM_DecodeJpeg24MP":
                lambda: self.out("jpegload_buffer", buffer=self.jpeg).copy_memory(),
            "BM_DecodePng24MP":
                lambda: self.out("pngload_buffer", buffer=self.png).copy_memory(),
        }


class JpegTools:
    name = "cjpeg/djpeg"

    def __init__(self, folder):
        self.version = "libjpeg-turbo"
        self.ppm = os.path.join(folder, "photo24.ppm")
        rgba = open(os.path.join(folder, "photo24.rgba"), "rb").read()
        rgb = bytearray(6000 * 4000 * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = rgba[0::4], rgba[1::4], rgba[2::4]
        with open(self.ppm, "wb") as f:
            f.write(b"P6\n6000 4000\n255\n" + bytes(rgb))
        self.jpeg = os.path.join(folder, "photo24.jpg")

    def process(self, argv):
        return lambda: subprocess.run(argv, check=True, stdout=subprocess.DEVNULL)

    def cases(self):
        return {
            "BM_SaveJpeg24MP": self.process(["cjpeg", "-quality", "90", self.ppm]),
            "BM_DecodeJpeg24MP": self.process(["djpeg", "-outfile", "/dev/null", self.jpeg]),
        }


class Lumetta:
    name = "Lumetta"

    def __init__(self, bench, wanted):
        self.bench, self.version = bench, "this build"
        self.filter = "^(" + "|".join(name + "/real_time$" for name in wanted) + ")"

    def round(self):
        result = subprocess.run(
            [self.bench, "--benchmark_filter=" + self.filter, "--benchmark_repetitions=1",
             "--benchmark_min_time=0.1", "--benchmark_format=json"],
            check=True, capture_output=True, text=True)
        times = {}
        for b in json.loads(result.stdout)["benchmarks"]:
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
            times[b["run_name"].removesuffix("/real_time")] = b["real_time"] * scale
        return times


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bench", nargs="?", default="build/bin/lumetta_bench")
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--only", default="", help="only the cases whose name holds this")
    args = parser.parse_args()

    install_peers()
    cases = [c for c in CASES if args.only.lower() in c[0].lower()]
    folder = tempfile.mkdtemp(prefix="lumetta-peers-")
    try:
        subprocess.run([args.bench, "--lumetta_pictures=" + folder], check=True)
        wanted = [c[1] for c in cases] + [c[2] for c in cases if c[2]]
        lumetta = Lumetta(args.bench, wanted)
        peers = [Pillow(folder), Libvips(folder), JpegTools(folder)]
        calls = {p.name: {k: v for k, v in p.cases().items() if k in wanted} for p in peers}
        for p in peers:  # warm-up: first calls load libraries and fault memory in
            for fn in calls[p.name].values():
                fn()

        load_before = os.getloadavg()
        samples = {}  # (program, benchmark) -> [ms per round]
        programs = [lumetta] + peers
        for r in range(args.rounds):
            order = programs[r % len(programs):] + programs[:r % len(programs)]
            for program in order:
                if program is lumetta:
                    measured = lumetta.round()
                else:
                    measured = {k: time_call(fn) for k, fn in calls[program.name].items()}
                for k, ms in measured.items():
                    samples.setdefault((program.name, k), []).append(ms)
            print(f"round {r + 1} of {args.rounds} done", file=sys.stderr, flush=True)
        load_after = os.getloadavg()
    finally:
        shutil.rmtree(folder, ignore_errors=True)

    med = {k: statistics.median(v) for k, v in samples.items()}
    print(f"\nMedians of {args.rounds} rounds, wall clock, ms; load average "
          f"{load_before[0]:.1f} before, {load_after[0]:.1f} after; "
          + ", ".join(f"{p.name} {p.version}" for p in peers) + "\n")
    header = ["What", "Lumetta", "floor"] + [p.name for p in peers] + \
             ["Lumetta / floor"] + [f"Lumetta / {p.name}" for p in peers]
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    fmt = lambda v: "" if v is None else (f"{v:.3g}" if v < 100 else f"{v:.0f}")
    for title, ours_name, floor_name in cases:
        ours = med.get(("Lumetta", ours_name))
        floor = med.get(("Lumetta", floor_name)) if floor_name else None
        theirs = [med.get((p.name, ours_name)) for p in peers]
        ratio = lambda a, b: f"{a / b:.2f}" if a and b else ""
        row = [title, fmt(ours), fmt(floor)] + [fmt(t) for t in theirs] + \
              [ratio(ours, floor)] + [ratio(ours, t) for t in theirs]
        print("| " + " | ".join(row) + " |")


if __name__ == "__main__":
    main()
