#!/usr/bin/python3
"""The Pillow peer: fits pictures into a frame the way a Pillow user would.

    pil-frame.py --width W --height H --color '#RRGGBB' --out DIR FILE...

writes DIR/<stem>.jpg for each FILE: JPEG decoded at a reduced scale that
keeps at least twice the frame (draft), turned upright, alpha flattened onto
the colour, fitted and centred with ImageOps.pad (bicubic), JPEG quality 80.
Goes on after a failure and exits 1 at the end if any file failed.
"""
import argparse
import os
import sys

from PIL import Image, ImageColor, ImageOps


def fit_one(source, target, width, height, color):
    with Image.open(source) as picture:
        picture.draft("RGB", (2 * width, 2 * height))
        picture = ImageOps.exif_transpose(picture)
        if picture.mode in ("RGBA", "LA", "PA") or "transparency" in picture.info:
            rgba = picture.convert("RGBA")
            flat = Image.new("RGB", rgba.size, color)
            flat.paste(rgba, mask=rgba.getchannel("A"))
            picture = flat
        elif picture.mode != "RGB":
            picture = picture.convert("RGB")
        framed = ImageOps.pad(picture, (width, height), Image.Resampling.BICUBIC, color)
    framed.save(target, quality=80)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--width", type=int, required=True)
    parser.add_argument("--height", type=int, required=True)
    parser.add_argument("--color", type=ImageColor.getrgb, required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    failed = 0
    for source in args.files:
        stem = os.path.splitext(os.path.basename(source))[0]
        try:
            fit_one(source, os.path.join(args.out, stem + ".jpg"), args.width, args.height,
                    args.color)
        except (OSError, ValueError) as error:
            print(f"pil-frame: {source}: {error}", file=sys.stderr)
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
