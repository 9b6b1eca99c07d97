#!/usr/bin/python3
"""Side-by-side timings of the share intake's zip code against the usual tools, reported as
ratios (other tool's time / ours: above 1 means we are faster).

  1. CRC-32 over 1 GiB in memory: ours against zlib's crc32.
  2. Archiving a folder of about 1 GiB in a few thousand files: our folder writer against
     `zip -0 -r -q` (both store without compression; ours reads every file twice).
  3. Listing an archive of 60,000 entries: our reader against `zipinfo`.

Usage: compare_zip.py <build dir> [work dir]   (the build dir holds intake_zip_tool)
Each timing is the best of several runs with a warm page cache.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

ROUNDS = 3


def best_of(fn, rounds=ROUNDS):
    best = None
    for _ in range(rounds):
        t = fn()
        best = t if best is None else min(best, t)
    return best


def timed(cmd, **kw):
    start = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, **kw)
    return time.perf_counter() - start


def tool_seconds(tool, *args):
    out = subprocess.run([tool, *args], check=True, capture_output=True, text=True).stdout.split()
    return float(out[0]), out[1:]


def make_folder(root, total_bytes=1 << 30, files=4000):
    size = total_bytes // files
    chunk = os.urandom(1 << 20)
    for i in range(files):
        d = os.path.join(root, "pkg%02d" % (i % 40), "sub%d" % (i % 7))
        os.makedirs(d, exist_ok=True)
        # Different bytes per file without paying for 1 GiB of randomness.
        off = (i * 7919) % (len(chunk) - 1)
        data = (chunk[off:] + chunk[:off])
        with open(os.path.join(d, "file%05d.bin" % i), "wb") as f:
            left = size
            while left > 0:
                f.write(data[:min(left, len(data))])
                left -= len(data)
    return size * files


def make_listing_archive(path, entries=60000):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
        for i in range(entries):
            z.writestr("project/src/module%03d/file%05d.txt" % (i % 300, i), b"x" * (i % 64))


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    tool = os.path.join(sys.argv[1], "intake_zip_tool")
    work = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="tarvo-zip-compare-")
    os.makedirs(work, exist_ok=True)
    results = []
    try:
        # 1. CRC-32
        out = subprocess.run([tool, "crc", "1024"], check=True, capture_output=True, text=True).stdout.split()
        ours, zlib_s = float(out[1]), float(out[3])
        results.append(("CRC-32, 1 GiB in memory", "zlib crc32", ours, zlib_s))

        # 2. Folder writer
        folder = os.path.join(work, "folder")
        if not os.path.isdir(folder):
            make_folder(folder)
        nfiles = sum(len(f) for _, _, f in os.walk(folder))
        nbytes = sum(os.path.getsize(os.path.join(d, n)) for d, _, fs in os.walk(folder) for n in fs)
        outdir = os.path.join(work, "out")
        os.makedirs(outdir, exist_ok=True)
        zip_path = os.path.join(work, "infozip.zip")

        def run_zip():
            if os.path.exists(zip_path):
                os.remove(zip_path)
            return timed(["zip", "-0", "-r", "-q", zip_path, "."], cwd=folder)

        def run_ours():
            secs, rest = tool_seconds(tool, "write", folder, outdir)
            os.remove(rest[0])
            return secs

        run_ours()  # warm the page cache
        zip_s = best_of(run_zip)
        ours_s = best_of(run_ours)
        results.append(("folder to zip, %d files, %.2f GiB" % (nfiles, nbytes / (1 << 30)), "zip -0 -r -q", ours_s, zip_s))

        # 3. Reader
        listing = os.path.join(work, "listing60k.zip")
        if not os.path.exists(listing):
            make_listing_archive(listing)
        zipinfo_s = best_of(lambda: timed(["zipinfo", listing]))
        ours_list_s = best_of(lambda: tool_seconds(tool, "list", listing, "60000")[0])
        count = tool_seconds(tool, "list", listing, "60000")[1][0]
        results.append(("listing, %s entries" % count, "zipinfo", ours_list_s, zipinfo_s))
    finally:
        if len(sys.argv) <= 2:
            shutil.rmtree(work, ignore_errors=True)

    print("%-42s %-14s %10s %10s %8s" % ("task", "other tool", "ours s", "other s", "ratio"))
    for task, other, ours, theirs in results:
        print("%-42s %-14s %10.4f %10.4f %7.2fx" % (task, other, ours, theirs, theirs / ours))
    return 0


if __name__ == "__main__":
    sys.exit(main())
