#!/usr/bin/python3
"""How visible are sealed pictures to the classic attacks on hidden bits?

Runs three steganalysis methods over natural photographs converted to 24-bit
BMP: untouched, as plain carriers (korimo-cli embed) and as sealed pictures
(korimo-cli embed --sealed), and prints a table (Markdown):

  RS   RS analysis (Fridrich, Goljan, Du): the estimated share of bytes that
       carry replaced low bits; groups of 4 horizontal neighbours, mask
       0110, mean over the three colour channels.
  SPA  sample pair analysis (Dumitrescu, Wu, Wang): the same estimate from
       pairs of horizontal neighbours, mean over the channels.
  chi  the chi-square attack (Westfeld, Pfitzmann) on the first 5 % of the
       pixel bytes in file order: the probability that their low bits are
       embedded (values 2k and 2k+1 equally frequent). A plain carrier
       writes its sound area from the start of the picture.
  run  the longest run of bytes whose bit 0 is 0, as a share of the pixel
       bytes: a plain carrier writes zeros after its sound to the end.

The photographs are the "nature" backgrounds of Debian's mate-backgrounds
package (fetched with apt-get download, unpacked with dpkg -x; nothing is
installed), converted with ImageMagick at their own size (--scale 50% halves
them), unless --photos names a folder of pictures. Also shown, for reference: random bits written by replacing bit 0
of a random 25 % of the bytes, which is what RS and SPA were made to find.

  bench/stealth.py --cli build/korimo-cli [--photos DIR] [--keep DIR]

Needs python3-numpy, imagemagick and (without --photos) apt-get and dpkg.
"""

import argparse
import glob
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import wave

import numpy as np

PASSPHRASE = "stealth benchmark"
SOUND_NAME = "s.wav"


# ---- BMP -------------------------------------------------------------------

def read_bmp(path):
    """(pixels h x w x 3 as uint8, the pixel data bytes in file order)."""
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    bits, = struct.unpack_from("<H", data, 28)
    if bits != 24:
        raise ValueError(f"{path}: {bits} bits per pixel, 24 expected")
    row = (width * 3 + 3) & ~3
    rows = abs(height)
    raw = np.frombuffer(data, np.uint8, row * rows, offset)
    pixels = raw.reshape(rows, row)[:, : width * 3].reshape(rows, width, 3)
    return pixels, raw


def data_size(path):
    return struct.unpack_from("<I", open(path, "rb").read(54), 34)[0]


# ---- RS analysis -------------------------------------------------------------

def _rs_counts(channel):
    """(R_M - S_M, R_-M - S_-M) for groups of 4 with mask 0110."""
    w = channel.shape[1] // 4 * 4
    g = channel[:, :w].astype(np.int16).reshape(-1, 4)

    def smooth(x):
        return np.abs(np.diff(x, axis=1)).sum(axis=1)

    f0 = smooth(g)
    pos = g.copy()
    pos[:, 1:3] ^= 1  # F1: 2k <-> 2k+1
    neg = g.copy()
    neg[:, 1:3] = ((neg[:, 1:3] + 1) ^ 1) - 1  # F-1: 2k-1 <-> 2k
    fp, fn = smooth(pos), smooth(neg)
    return np.mean(fp > f0) - np.mean(fp < f0), np.mean(fn > f0) - np.mean(fn < f0)


def rs_estimate(channel):
    d0, dm0 = _rs_counts(channel)
    d1, dm1 = _rs_counts(channel ^ 1)
    a = 2 * (d1 + d0)
    b = dm0 - dm1 - d1 - 3 * d0
    c = d0 - dm0
    if abs(a) < 1e-12:
        z = -c / b if b else 0.0
    else:
        disc = max(b * b - 4 * a * c, 0.0)
        roots = [(-b + s * math.sqrt(disc)) / (2 * a) for s in (1, -1)]
        z = min(roots, key=abs)
    return z / (z - 0.5)


# ---- Sample pair analysis ----------------------------------------------------

def spa_estimate(channel):
    r = channel[:, :-1].astype(np.int16).ravel()
    s = channel[:, 1:].astype(np.int16).ravel()
    even = (s & 1) == 0
    x = np.count_nonzero((even & (r < s)) | (~even & (r > s)))
    y = np.count_nonzero((even & (r > s)) | (~even & (r < s)))
    k = np.count_nonzero((r >> 1) == (s >> 1))
    pairs = r.size
    a, b, c = 2.0 * k, 2.0 * (2 * x - pairs), float(y - x)
    if a == 0:
        return 0.0
    disc = max(b * b - 4 * a * c, 0.0)
    beta = min((-b + math.sqrt(disc)) / (2 * a), (-b - math.sqrt(disc)) / (2 * a))
    return 2 * beta  # the share of bytes carrying message bits


# ---- Chi-square attack -------------------------------------------------------

def _upper_gamma(a, x):
    """The regularized upper incomplete gamma function Q(a, x)."""
    if x <= 0:
        return 1.0
    lead = math.exp(-x + a * math.log(x) - math.lgamma(a))
    if x < a + 1:  # series for P(a, x)
        term = total = 1.0 / a
        n = a
        while abs(term) > abs(total) * 1e-15:
            n += 1
            term *= x / n
            total += term
        return max(0.0, 1.0 - total * lead)
    # Continued fraction for Q(a, x) (modified Lentz).
    tiny = 1e-300
    b = x + 1 - a
    c = 1 / tiny
    d = 1 / b
    h = d
    for i in range(1, 10000):
        an = -i * (i - a)
        b += 2
        d = an * d + b
        d = tiny if abs(d) < tiny else d
        c = b + an / c
        c = tiny if abs(c) < tiny else c
        d = 1 / d
        h *= d * c
        if abs(d * c - 1) < 1e-15:
            break
    return lead * h


def longest_zero_run(raw):
    """The longest run of bytes whose bit 0 is 0, as a share of all pixel bytes."""
    low = (raw & 1).astype(np.int8)
    edges = np.flatnonzero(np.diff(np.concatenate(([1], low, [1]))))
    runs = edges[1::2] - edges[0::2]
    return float(runs.max()) / raw.size if runs.size else 0.0


def chi_square_p(raw, share=0.05):
    sample = raw[: max(1, int(raw.size * share))]
    n = np.bincount(sample, minlength=256).astype(float)
    observed, expected = n[0::2], (n[0::2] + n[1::2]) / 2
    keep = expected > 4
    if keep.sum() < 2:
        return 0.0
    chi = float((((observed - expected) ** 2)[keep] / expected[keep]).sum())
    return _upper_gamma((keep.sum() - 1) / 2, chi / 2)


def analyse(path):
    pixels, raw = read_bmp(path)
    channels = [pixels[:, :, i] for i in range(3)]
    return (float(np.mean([rs_estimate(c) for c in channels])),
            float(np.mean([spa_estimate(c) for c in channels])),
            chi_square_p(raw),
            longest_zero_run(raw))


# ---- Pictures ----------------------------------------------------------------

def fetch_photos(work):
    debs = os.path.join(work, "debs")
    os.makedirs(debs)
    subprocess.run(["apt-get", "download", "mate-backgrounds"], cwd=debs, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    tree = os.path.join(work, "tree")
    for deb in glob.glob(os.path.join(debs, "*.deb")):
        subprocess.run(["dpkg", "-x", deb, tree], check=True)
    return sorted(glob.glob(os.path.join(tree, "usr/share/backgrounds/mate/nature/*.jpg")))


def to_bmp(source, target, scale):
    subprocess.run(["convert", source, "-resize", scale, "-type", "TrueColor", "BMP3:" + target], check=True)


def write_noise_wav(path, size):
    frames = max(1, (size - 44) // 2)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(8000)
        w.writeframes(np.random.default_rng(frames).integers(0, 256, frames * 2, dtype=np.uint8).tobytes())


def sealed_capacity(bmp):
    return (data_size(bmp) - 128) // 8 - 43


def korimo(cli, *args):
    result = subprocess.run([cli, *args], capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"korimo-cli {' '.join(args)}: {result.stderr.strip()}")


def replace_bits(bmp, target, share, seed):
    """Random bits by bit replacement into a random `share` of the pixel bytes."""
    data = bytearray(open(bmp, "rb").read())
    pixels = np.frombuffer(data, np.uint8, data_size(bmp), 54).copy()
    rng = np.random.default_rng(seed)
    where = rng.random(pixels.size) < share
    pixels[where] = (pixels[where] & 0xFE) | rng.integers(0, 2, int(where.sum()), dtype=np.uint8)
    data[54:54 + pixels.size] = pixels.tobytes()
    open(target, "wb").write(data)


VARIANTS = ["untouched", "plain carrier 5 %", "bit replacement 25 % (reference)",
            "sealed 5 %", "sealed 25 %", "sealed 50 %"]


def variants_of(cli, bmp, work, index):
    """(variant, path) for every row of the table."""
    yield VARIANTS[0], bmp
    cap = sealed_capacity(bmp)
    pw = os.path.join(work, "pw")
    with open(pw, "w") as f:
        f.write(PASSPHRASE + "\n")
    sound = os.path.join(work, SOUND_NAME)
    out = os.path.join(work, "out.bmp")
    write_noise_wav(sound, int(cap * 0.05) - len(SOUND_NAME))
    korimo(cli, "embed", bmp, sound, "-o", out)
    yield VARIANTS[1], out
    replace_bits(bmp, out, 0.25, index)
    yield VARIANTS[2], out
    for share, name in ((0.05, VARIANTS[3]), (0.25, VARIANTS[4]), (0.5, VARIANTS[5])):
        write_noise_wav(sound, int(cap * share) - len(SOUND_NAME))
        korimo(cli, "embed", bmp, sound, "-o", out, "--sealed", "--password-file", pw)
        yield name, out


def table_from_log(path):
    """The table again from the per-photograph lines a run wrote to stderr."""
    results = {v: [] for v in VARIANTS}
    photos = 0
    for line in open(path, encoding="utf-8"):
        photos += 1
        for part in line.split(": ", 1)[1].split("; "):
            variant, figures = part.rsplit(": RS ", 1)
            words = ("RS " + figures).split()
            results[variant].append(tuple(float(words[i]) for i in (1, 3, 5, 7)))
    print_table(results, photos)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", help="korimo-cli to embed and seal with")
    parser.add_argument("--from-log", help="print the table of an earlier run's stderr and stop")
    parser.add_argument("--photos", help="folder of photographs (JPEG or PNG); default: mate-backgrounds")
    parser.add_argument("--keep", help="keep the converted BMPs in this folder")
    parser.add_argument("--scale", default="100%", help="ImageMagick -resize of the photographs (default 100%%)")
    args = parser.parse_args()
    if args.from_log:
        table_from_log(args.from_log)
        return
    if not args.cli:
        parser.error("--cli is required")

    work = tempfile.mkdtemp(prefix="korimo-stealth-")
    try:
        sources = (sorted(glob.glob(os.path.join(args.photos, "*.jp*g")) + glob.glob(os.path.join(args.photos, "*.png")))
                   if args.photos else fetch_photos(work))
        if not sources:
            sys.exit("no photographs found")
        results = {v: [] for v in VARIANTS}
        for index, source in enumerate(sources):
            bmp = os.path.join(args.keep or work, os.path.splitext(os.path.basename(source))[0] + ".bmp")
            to_bmp(source, bmp, args.scale)
            row = {}
            for variant, path in variants_of(args.cli, bmp, work, index):
                row[variant] = analyse(path)
                results[variant].append(row[variant])
            print(f"{os.path.basename(source)}: " + "; ".join(
                f"{v}: RS {r:.3f} SPA {s:.3f} chi {c:.3f} run {z:.3f}" for v, (r, s, c, z) in row.items()),
                file=sys.stderr)
        print_table(results, len(sources))
    finally:
        shutil.rmtree(work, ignore_errors=True)


def print_table(results, photos):
    untouched = np.array(results[VARIANTS[0]])
    print(f"{photos} photographs. RS, SPA, chi p: mean [min, max] over the photographs; "
          "max |Δ|: the largest change from the same photograph untouched; "
          "chi > 0.95: photographs the chi-square attack calls embedded; "
          "zero run: the longest run of zero low bits, largest over the photographs.\n")
    print("| picture | RS | RS max \\|Δ\\| | SPA | SPA max \\|Δ\\| | chi p (first 5 %) | chi > 0.95 | zero run |")
    print("|---|---|---|---|---|---|---|---|")
    for variant in VARIANTS:
        v = np.array(results[variant])
        change = np.abs(v - untouched).max(axis=0)

        def cell(i):
            return f"{v[:, i].mean():.3f} [{v[:, i].min():.3f}, {v[:, i].max():.3f}]"

        flagged = int(np.sum(v[:, 2] > 0.95))
        print(f"| {variant} | {cell(0)} | {change[0]:.3f} | {cell(1)} | {change[1]:.3f} | {cell(2)} | "
              f"{flagged}/{photos} | {100 * v[:, 3].max():.2f} % |")


if __name__ == "__main__":
    main()
