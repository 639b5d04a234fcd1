#!/usr/bin/python3
"""Turns bench/run's raw numbers into the table it prints.

    report.py HEADER RAW.tsv

Per frame size and tool: the median over rounds of the time per picture (wall
clock and CPU), the largest peak resident memory of any round, and the tool's
time divided by quillmere-cli's in the same mode. A run whose outputs were not
all there at the frame size is flagged, and its time counts for nothing.
"""
import csv
import statistics
import sys
from collections import defaultdict

TOOLS = [
    ("quillmere", "quillmere-cli"),
    ("vips", "libvips reference"),
    ("im", "ImageMagick"),
    ("im-hint", "ImageMagick, size hint"),
    ("gm", "GraphicsMagick"),
    ("gm-hint", "GraphicsMagick, size hint"),
    ("pillow", "Pillow"),
]
MODES = [("batch", "all files in one process"), ("each", "one process per file")]

# Targets for all files in one process: (peer tools, the least peer/quillmere ratio).
SPEED_TARGETS = [
    (["vips"], 1 / 1.05, "quillmere-cli within 1.05x of the libvips reference"),
    (["im", "im-hint"], 2.0, "at least 2x faster than ImageMagick (its faster variant)"),
    (["pillow"], 1.25, "at least 1.25x faster than Pillow"),
]
MEMORY_LIMIT_MB = 150


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


def ratio(peer, quillmere):
    if peer is None or quillmere is None or peer.ms is None or quillmere.ms is None:
        return None
    return peer.ms / quillmere.ms


def table(size, results):
    files = next(r.files for (s, _, _), r in results.items() if s == size)
    rounds = max(r.rounds for (s, _, _), r in results.items() if s == size)
    w, h = size.split("x")
    lines = [f"{w} x {h}, padding on, {files} pictures, median of {rounds} round{'s' if rounds > 1 else ''}", ""]
    modes = [(mode, title) for mode, title in MODES
             if any((size, tool, mode) in results for tool, _ in TOOLS)]
    head1 = f"{'':26}"
    head2 = f"{'tool':26}"
    for _, title in modes:
        head1 += f" | {title:^40}"
        head2 += f" | {'ms/pic':>8} {'cpu ms/pic':>10} {'peak MB':>8} {'÷ quill':>9}"
    lines += [head1.rstrip(), head2, "-" * len(head2)]
    notes = []
    for tool, name in TOOLS:
        if not any((size, tool, mode) in results for mode, _ in modes):
            continue
        line = f"{name:26}"
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
                             f"outputs are {w} x {h} JPEGs, exit status {row['status']}")
        lines.append(line)
    lines.append("")
    lines.append("÷ quill: the tool's time divided by quillmere-cli's (above 1: quillmere-cli is faster)")
    return lines + notes


def targets(sizes, results):
    lines = ["targets, all files in one process:"]
    for size in sizes:
        quillmere = results.get((size, "quillmere", "batch"))
        for peers, least, text in SPEED_TARGETS:
            ratios = [ratio(results.get((size, p, "batch")), quillmere) for p in peers]
            ratios = [r for r in ratios if r is not None]
            if not ratios:
                verdict, shown = "not measured", "-"
            else:
                worst = min(ratios)
                shown = f"{1 / worst:.2f}x its time" if least < 1 else f"{worst:.2f}x faster"
                verdict = "met" if worst >= least else "MISSED"
            lines.append(f"  {size:>9}  {text:58} {shown:>17}  {verdict}")
    peaks = [results[(s, "quillmere", "batch")].peak_mb for s in sizes if (s, "quillmere", "batch") in results]
    if peaks:
        peak = max(peaks)
        verdict = "met" if peak < MEMORY_LIMIT_MB else "MISSED"
        lines.append(f"  {'all':>9}  {f'peak memory under {MEMORY_LIMIT_MB} MB for the whole corpus':58} "
                     f"{f'{peak:.1f} MB':>17}  {verdict}")
    broken = [s for s in sizes if (s, "quillmere", "batch") in results
              and results[(s, "quillmere", "batch")].broken]
    if broken:
        lines.append("  quillmere-cli's outputs were wrong or missing in " + ", ".join(broken)
                     + ": its times are not counted")
    return lines


def main():
    header_path, raw_path = sys.argv[1:3]
    with open(header_path) as header:
        lines = header.read().rstrip("\n").split("\n") + [""]
    sizes, results = load(raw_path)
    for size in sizes:
        lines += table(size, results) + [""]
    lines += targets(sizes, results)
    print("\n".join(lines))


if __name__ == "__main__":
    main()
