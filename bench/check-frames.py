#!/usr/bin/python3
"""Checks what a tool wrote for bench/run, so that a wrong output cannot look fast.

    check-frames.py --width W --height H --color '#RRGGBB' --corpus DIR --dest DIR
                    [--facts FILE] [--size-only] NAME...

For each corpus picture NAME there must be DEST/<stem>.jpg, a JPEG of W x H,
and its pixels must show the job done:
- where the fitted picture leaves a band of padding, two opposite corners of
  the frame are the padding colour;
- a picture with an EXIF orientation is upright: the picture area looks like
  the source turned upright, and more so than the same turned half round (a
  picture left lying down fails too: its area holds padding and a squeezed
  picture);
- where a picture with alpha is fully transparent near its corners, the
  output shows the padding colour.
Prints the number of good outputs on the first line, then one line per
problem. With --size-only, only that each output is a JPEG of W x H (for the
floor, which skips EXIF orientation and alpha on purpose). What it learns
about the sources (size, orientation, alpha, a small upright thumbnail) is
kept in FILE, so that each later check reads only the outputs.
"""
import argparse
import json
import os
import sys

from PIL import Image, ImageColor, ImageOps

THUMB = (24, 24)  # small enough to forgive resampling, large enough to tell a turn
TOLERANCE = 16  # per channel, on a 3 x 3 mean: JPEG at quality 80 keeps flat colour within a few levels
UPRIGHT_MEAN_DIFF = 24  # mean per-channel difference of the thumbnails that still counts as alike
BAND = 16  # the least padding band, in pixels, whose corners are checked
ALPHA_POINTS = [(0.03, 0.03), (0.97, 0.03), (0.03, 0.97), (0.97, 0.97)]


def thumb_bytes(picture):
    return list(picture.convert("RGB").resize(THUMB, Image.Resampling.BOX).tobytes())


def source_facts(path):
    with Image.open(path) as picture:
        orientation = picture.getexif().get(0x0112, 1)
        width, height = picture.size
        facts = {"orientation": orientation}
        if orientation in (5, 6, 7, 8):
            width, height = height, width
        facts["size"] = [width, height]
        if orientation != 1:
            picture.draft("RGB", (256, 256))
            facts["thumb"] = thumb_bytes(ImageOps.exif_transpose(picture))
        if picture.mode in ("RGBA", "LA", "PA") or "transparency" in picture.info:
            alpha = ImageOps.exif_transpose(picture).convert("RGBA").getchannel("A")
            facts["clear"] = [[fx, fy] for fx, fy in ALPHA_POINTS
                              if alpha.getpixel((int(fx * (alpha.width - 1)), int(fy * (alpha.height - 1)))) == 0]
    return facts


def load_facts(cache, corpus, names):
    facts = {}
    if cache and os.path.exists(cache):
        with open(cache) as stored:
            facts = json.load(stored)
    changed = False
    for name in names:
        path = os.path.join(corpus, name)
        key = f"{name}:{os.stat(path).st_mtime_ns}"
        if key not in facts:
            facts[key] = source_facts(path)
            changed = True
    if cache and changed:
        with open(cache, "w") as stored:
            json.dump(facts, stored)
    return {name: facts[f"{name}:{os.stat(os.path.join(corpus, name)).st_mtime_ns}"] for name in names}


def mean_at(picture, x, y):
    box = [picture.getpixel((min(max(x + dx, 0), picture.width - 1), min(max(y + dy, 0), picture.height - 1)))
           for dx in (-1, 0, 1) for dy in (-1, 0, 1)]
    return tuple(sum(channel) / len(box) for channel in zip(*box))


def is_colour(sample, colour):
    return all(abs(a - b) <= TOLERANCE for a, b in zip(sample, colour))


def mean_difference(a, b):
    return sum(abs(x - y) for x, y in zip(a, b)) / len(a)


def problem_with(output, facts, width, height, colour, size_only=False):
    """Returns what is wrong with OUTPUT (a path), or None."""
    try:
        with Image.open(output) as written:
            if written.format != "JPEG":
                return f"is {written.format}, not a JPEG"
            if written.size != (width, height):
                return f"is {written.width} x {written.height}, not {width} x {height}"
            picture = written.convert("RGB")
    except FileNotFoundError:
        return "missing"
    except OSError as error:
        return f"unreadable: {error}"
    if size_only:
        return None

    sw, sh = facts["size"]
    scale = min(width / sw, height / sh)
    fw, fh = max(1, round(sw * scale)), max(1, round(sh * scale))
    left, top = (width - fw) // 2, (height - fh) // 2

    if width - fw >= BAND or height - fh >= BAND:
        for x, y in ((3, 3), (width - 4, height - 4)):
            sample = mean_at(picture, x, y)
            if not is_colour(sample, colour):
                return f"padding at ({x}, {y}) is {tuple(round(c) for c in sample)}, not {colour}"

    if "thumb" in facts:
        area = picture.crop((left + 2, top + 2, left + fw - 2, top + fh - 2))
        seen = thumb_bytes(area)
        upright = mean_difference(seen, facts["thumb"])
        turned = mean_difference(seen, thumb_bytes(
            Image.frombytes("RGB", THUMB, bytes(facts["thumb"])).rotate(180)))
        if upright > UPRIGHT_MEAN_DIFF or upright >= turned:
            return (f"not upright (EXIF orientation {facts['orientation']}): differs from the upright "
                    f"source by {upright:.0f}, from it turned half round by {turned:.0f}")

    for fx, fy in facts.get("clear", []):
        x, y = left + round(fx * (fw - 1)), top + round(fy * (fh - 1))
        sample = mean_at(picture, x, y)
        if not is_colour(sample, colour):
            return (f"transparent source shows {tuple(round(c) for c in sample)} at ({x}, {y}), "
                    f"not the padding colour {colour}")
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--width", type=int, required=True)
    parser.add_argument("--height", type=int, required=True)
    parser.add_argument("--color", type=ImageColor.getrgb, required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--dest", required=True)
    parser.add_argument("--facts")
    parser.add_argument("--size-only", action="store_true")
    parser.add_argument("names", nargs="+")
    args = parser.parse_args()

    facts = load_facts(args.facts, args.corpus, args.names)
    problems = []
    for name in args.names:
        output = os.path.join(args.dest, os.path.splitext(name)[0] + ".jpg")
        problem = problem_with(output, facts[name], args.width, args.height, args.color, args.size_only)
        if problem:
            problems.append(f"{name}: {problem}")
    print(len(args.names) - len(problems))
    print("\n".join(problems))
    return 0


if __name__ == "__main__":
    sys.exit(main())
