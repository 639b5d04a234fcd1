#!/usr/bin/python3
"""Turns bench/run's raw numbers into the table it prints.

    report.py [--jobs N] [--no-jobs] [--set corpus|small] [--floor-threads N] HEADER RAW.tsv

Per frame size and tool: the median over rounds of the time per picture (wall
clock and CPU), the largest peak resident memory of any round, and the tool's
time divided by quillmere-cli's in the same mode. A run with any output that
failed the checks (missing, wrong size, wrong pixels) is flagged, and its time
counts for nothing (the floor's outputs are checked for size only). Then each
target, met or missed, and how far quillmere-cli is from the floor.
"""
import argparse
import csv
import statistics
import sys
from collections import defaultdict

TOOLS = [
    ("quillmere", "quillmere-cli"),
    ("quillmere-j1", "quillmere-cli --jobs 1"),
    ("baseline", "baseline quillmere-cli"),
    ("vips", "libvips reference"),
    ("vips-pair", "libvips reference, 2 procs"),
    ("floor", "floor"),
    ("im", "ImageMagick"),
    ("im-hint", "ImageMagick, size hint"),
    ("gm", "GraphicsMagick"),
    ("gm-hint", "GraphicsMagick, size hint"),
    ("pillow", "Pillow"),
]
MODES = [("batch", "all files in one process"), ("each", "one process per file")]
NAME_WIDTH = 27

# Speed targets for all files in one process: (the measured tool, the peers,
# the least peer/tool time ratio, what it says). The one-job target's tool is
# set in main() when quillmere-cli has no --jobs.
SPEED_TARGETS = [
    ("quillmere", ["quillmere-j1"], 1.6, "at least 1.6x faster than --jobs 1"),
    ("quillmere", ["vips"], 1.6, "at most 0.625 of the reference's time (1.6x faster)"),
    ("quillmere", ["vips-pair"], 1.0, "no slower than the reference as two processes"),
    ("quillmere", ["im", "im-hint"], 2.0, "at least 2x faster than ImageMagick (faster variant)"),
    ("quillmere", ["pillow"], 1.25, "at least 1.25x faster than Pillow"),
    ("quillmere-j1", ["baseline"], 1.0, "--jobs 1 no slower than the baseline build"),
]
MEMORY_LIMIT_MB = 200
# The most quillmere-cli's time may be of the floor's, per set: on small
# pictures the target; on the corpus the next goal, not yet a target.
FLOOR_LIMITS = {"small": (3.0, "target"), "corpus": (1.3, "goal")}


class Result:
    def __init__(self, rows):
        self.rounds = len(rows)
        self.files = int(rows[0]["files"])
        self.broken = [r for r in rows if int(r["good"]) != self.files or r["status"] != "0"]
        good = [r for r in rows if r not in self.broken]
        self.ms = statistics.median(1000 * float(r["wall_s"]) / self.files for r in good) if good else None
        self.cpu = statistics.median(1000 * float(r["cpu_s"]) / self.files for r in good) if good else None
        self.peak_mb = max(int(r["peak_kb"]) for r in rows) / 1024


def load(path):
    runs = defaultdict(list)
    with open(path, newline="") as raw:
        for row in csv.DictReader(raw, delimiter="\t"):
            runs[(row["size"], row["tool"], row["mode"])].append(row)
    sizes = list(dict.fromkeys(size for size, _, _ in runs))
    return sizes, {key: Result(rows) for key, rows in runs.items()}


def number(value, width, digits=1):
    return f"{value:{width}.{digits}f}" if value is not None else f"{'-':>{width}}"


def ratio(peer, subject):
    if peer is None or subject is None or peer.ms is None or subject.ms is None:
        return None
    return peer.ms / subject.ms


def table(size, results):
    files = next(r.files for (s, _, _), r in results.items() if s == size)
    rounds = max(r.rounds for (s, _, _), r in results.items() if s == size)
    w, h = size.split("x")
    lines = [f"{w} x {h}, padding on, {files} pictures, median of {rounds} round{'s' if rounds > 1 else ''}", ""]
    modes = [(mode, title) for mode, title in MODES
             if any((size, tool, mode) in results for tool, _ in TOOLS)]
    head1 = f"{'':{NAME_WIDTH}}"
    head2 = f"{'tool':{NAME_WIDTH}}"
    for _, title in modes:
        head1 += f" | {title:^40}"
        head2 += f" | {'ms/pic':>8} {'cpu ms/pic':>10} {'peak MB':>8} {'÷ quill':>9}"
    lines += [head1.rstrip(), head2, "-" * len(head2)]
    notes = []
    for tool, name in TOOLS:
        if not any((size, tool, mode) in results for mode, _ in modes):
            continue
        line = f"{name:{NAME_WIDTH}}"
        for mode, title in modes:
            result = results.get((size, tool, mode))
            if result is None:
                line += f" | {'not run':>40}"
                continue
            mark = "!" if result.broken else " "
            line += (f" | {number(result.ms, 8)} {number(result.cpu, 10)} {result.peak_mb:8.1f}"
                     f" {number(ratio(result, results.get((size, 'quillmere', mode))), 8, 2)}{mark}")
            for row in result.broken:
                notes.append(f"! {name}, {title}, round {row['round']}: {row['good']} of {row['files']} "
                             f"outputs good, exit status {row['status']}"
                             + (f"; {row['problem']}" if row.get("problem") else ""))
        lines.append(line)
    lines.append("")
    lines.append("÷ quill: the tool's time divided by quillmere-cli's (above 1: quillmere-cli is faster);")
    lines.append("good: every output a JPEG of the frame size, padding, upright and flattened alpha as checked")
    if any((size, "floor", mode) in results for mode, _ in modes):
        lines.append("the floor: its outputs are checked for size only (it skips EXIF orientation and alpha")
        lines.append("  on purpose, so its pixels cannot pass the other checks)")
    return lines + notes


def floor_line(size, results, names, limit, kind):
    """How many times the floor's time quillmere-cli's is, against LIMIT."""
    text = f"at most {limit:g}x the time of the {names['floor']}"
    if kind == "goal":
        text += " (next goal)"
    quill, floor = results.get((size, "quillmere", "batch")), results.get((size, "floor", "batch"))
    times = ratio(quill, floor)
    if times is None:
        missing = [names[t] for t, r in (("quillmere", quill), ("floor", floor)) if r is None]
        shown = "no " + ", ".join(missing) if missing else "broken runs"
        verdict = "not measured"
    else:
        shown = f"{times:.2f}x the floor"
        verdict = "met" if times <= limit else ("MISSED" if kind == "target" else "not yet")
    return f"  {size:>9}  {text:56} {shown:>24}  {verdict}"


def targets(sizes, results, names, floor_limit, no_jobs=False):
    lines = ["targets, all files in one process:"]
    for size in sizes:
        for subject, peers, least, text in SPEED_TARGETS:
            measured = results.get((size, subject, "batch"))
            ratios = [ratio(results.get((size, p, "batch")), measured) for p in peers]
            ratios = [r for r in ratios if r is not None]
            if not ratios:
                missing = [p for p in peers + [subject] if (size, p, "batch") not in results]
                if "quillmere-j1" in missing and no_jobs:
                    shown = "no --jobs in this build"
                elif "baseline" in missing:
                    shown = "needs --baseline PATH"
                elif missing:
                    shown = "no " + ", ".join(names[p] for p in missing)
                else:
                    shown = "broken runs"
                verdict = "not measured"
            else:
                worst = min(ratios)
                shown = f"{worst:.2f}x faster" if worst >= 1 else f"{1 / worst:.2f}x slower"
                if peers == ["vips"]:
                    # The target is stated as a share of the reference's time.
                    shown = f"{1 / worst:.3f} of its time"
                verdict = "met" if worst >= least else "MISSED"
            lines.append(f"  {size:>9}  {text:56} {shown:>24}  {verdict}")
        if floor_limit:
            lines.append(floor_line(size, results, names, *floor_limit))
    peaks = [results[(s, "quillmere", "batch")].peak_mb for s in sizes if (s, "quillmere", "batch") in results]
    if peaks:
        peak = max(peaks)
        verdict = "met" if peak < MEMORY_LIMIT_MB else "MISSED"
        lines.append(f"  {'all':>9}  {f'peak memory under {MEMORY_LIMIT_MB} MB for the whole corpus':56} "
                     f"{f'{peak:.1f} MB':>24}  {verdict}")
    broken = [s for s in sizes if (s, "quillmere", "batch") in results
              and results[(s, "quillmere", "batch")].broken]
    if broken:
        lines.append("  quillmere-cli's outputs were wrong or missing in " + ", ".join(broken)
                     + ": its times are not counted")
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--jobs", help="the --jobs given to quillmere-cli's main row")
    parser.add_argument("--no-jobs", action="store_true",
                        help="quillmere-cli has no --jobs: its main row converts one file at a time")
    parser.add_argument("--set", choices=sorted(FLOOR_LIMITS), default="corpus",
                        help="the set of pictures measured")
    parser.add_argument("--floor-threads", help="the threads given to the floor")
    parser.add_argument("header")
    parser.add_argument("raw")
    args = parser.parse_args()

    names = dict(TOOLS)
    if args.jobs:
        names["quillmere"] = f"quillmere-cli --jobs {args.jobs}"
    elif not args.no_jobs:
        names["quillmere"] = "quillmere-cli, default jobs"
    if args.floor_threads:
        names["floor"] = f"floor, {args.floor_threads} thread{'s' if args.floor_threads != '1' else ''}"
    main_row = f"--jobs {args.jobs}" if args.jobs else "default jobs"
    SPEED_TARGETS[0] = ("quillmere", ["quillmere-j1"], 1.6, f"{main_row} at least 1.6x faster than --jobs 1")
    if args.no_jobs:
        # A build without --jobs is its own one-job row.
        SPEED_TARGETS[-1] = ("quillmere", ["baseline"], 1.0,
                             "one job (no --jobs here) no slower than the baseline")
    TOOLS[:] = [(tool, names[tool]) for tool, _ in TOOLS]

    with open(args.header) as header:
        lines = header.read().rstrip("\n").split("\n") + [""]
    sizes, results = load(args.raw)
    for size in sizes:
        lines += table(size, results) + [""]
    lines += targets(sizes, results, names, FLOOR_LIMITS[args.set], args.no_jobs)
    print("\n".join(lines))


if __name__ == "__main__":
    main()
