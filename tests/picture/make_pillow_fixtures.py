#!/usr/bin/env python3
"""Writes picture files with Pillow, and the pixels Pillow reads back from each.

Usage: make_pillow_fixtures.py OUTDIR

For every fixture NAME.EXT it writes NAME.EXT.rgb, the picture as Pillow
decodes it (converted to RGB, rows top first, three bytes a pixel), and one
line "NAME.EXT WIDTH HEIGHT TOLERANCE" in OUTDIR/manifest.txt. The picture
decoders of the library must give the same pixels (within TOLERANCE per
channel; 0 for JPEG too, since Debian's Pillow decodes with the same
libjpeg-turbo, except where the conversion of CMYK to RGB rounds).
"""
import os
import sys

from PIL import Image, features

W, H = 37, 23


def pattern(w=W, h=H):
    """A gradient with a few hard edges and pure colours, 37 x 23."""
    im = Image.new("RGB", (w, h))
    px = im.load()
    for y in range(h):
        for x in range(w):
            px[x, y] = ((x * 7) % 256, (y * 11) % 256, ((x + 2 * y) * 5) % 256)
    for x in range(w):
        px[x, 0] = (255, 0, 0) if x % 3 == 0 else (0, 255, 0) if x % 3 == 1 else (0, 0, 255)
        px[x, h - 1] = (255, 255, 255) if x % 2 else (0, 0, 0)
    return im


def bilevel():
    im = Image.new("1", (W, H))
    px = im.load()
    for y in range(H):
        for x in range(W):
            px[x, y] = 255 if ((x // 3) + (y // 2)) % 2 or x == y else 0
    return im


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    rgb = pattern()
    rgba = rgb.copy()
    rgba.putalpha(Image.linear_gradient("L").resize((W, H)))
    gray = rgb.convert("L")
    pal = rgb.quantize(colors=200)
    pal16 = rgb.quantize(colors=16)
    mono = bilevel()
    fixtures = [
        ("rgb.png", rgb, {}, 0),
        ("rgba.png", rgba, {}, 0),
        ("gray.png", gray, {}, 0),
        ("palette.png", pal, {}, 0),
        ("palette16.png", pal16, {"bits": 4}, 0),
        ("mono.png", mono, {}, 0),
        ("baseline.jpg", rgb, {"quality": 90}, 0),
        ("progressive.jpeg", rgb, {"quality": 80, "progressive": True}, 0),
        ("gray.jfif", gray, {"format": "JPEG", "quality": 95}, 0),
        ("nosubsample.jpe", rgb, {"format": "JPEG", "quality": 95, "subsampling": 0}, 0),
        # Adobe CMYK (stored inverted); the two conversions to RGB round apart.
        ("cmyk.jpg", rgb.convert("CMYK"), {"quality": 95}, 1),
        ("rgb.bmp", rgb, {}, 0),
        ("rgba.bmp", rgba, {}, 0),
        ("gray.bmp", gray, {}, 0),
        ("palette.dib", pal, {"format": "BMP"}, 0),
        ("mono.bmp", mono, {}, 0),
        ("raw.tif", rgb, {}, 0),
        ("lzw.tiff", rgb, {"compression": "tiff_lzw"}, 0),
        ("deflate.tif", rgb, {"compression": "tiff_adobe_deflate"}, 0),
        ("packbits.tif", rgb, {"compression": "packbits"}, 0),
        ("palette.tif", pal, {}, 0),
        ("gray-lzw.tif", gray, {"compression": "tiff_lzw"}, 0),
        # 300 x 250: TIFF pictures are decoded in bands of rows, here two.
        ("bands.tif", pattern(300, 250), {"compression": "tiff_lzw"}, 0),
        ("g4.fax", mono, {"format": "TIFF", "compression": "group4"}, 0),
        ("g3.tif", mono, {"compression": "group3"}, 0),
        ("rgb.tga", rgb, {}, 0),
        ("rle.tga", rgb, {"compression": "tga_rle"}, 0),
        ("rgba.tga", rgba, {}, 0),
        ("gray.tga", gray, {}, 0),
        ("palette.tga", pal, {}, 0),
        ("rgb.pcx", rgb, {}, 0),
        ("palette.pcx", pal, {}, 0),
        ("gray.pcc", gray, {"format": "PCX"}, 0),
        ("mono.pcx", mono, {}, 0),
        ("rgb.ppm", rgb, {}, 0),
        ("gray.pgm", gray, {}, 0),
        ("mono.pbm", mono, {}, 0),
    ]
    if not features.check("libtiff"):
        sys.exit("Pillow was built without libtiff: the fax fixtures cannot be written")
    lines = []
    for name, image, options, tolerance in fixtures:
        path = os.path.join(out, name)
        image.save(path, **options)
        with Image.open(path) as back:
            decoded = back.convert("RGB")
            if decoded.size != image.size:
                sys.exit(f"{name}: Pillow reads back {decoded.size}")
            with open(path + ".rgb", "wb") as f:
                f.write(decoded.tobytes())
        lines.append(f"{name} {image.size[0]} {image.size[1]} {tolerance}\n")
    with open(os.path.join(out, "manifest.txt"), "w") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
