#!/usr/bin/python3
"""Makes the reference renderings of the public test-suite pictures in suite/.

Run once by hand (the tests only read its output, suite/references.txt):

    apt-get install python3-pil python3-numpy imagemagick-6.q16hdri libtiff-tools
    tests/data/pictures/make_references.py [--derive]

--derive first writes the files of suite/*/made/, which are made here from
suite files (their rows in SOURCES.md say how).

Every picture is decoded by an independent decoder from Debian: Python's PIL
(python3-pil) for most, ImageMagick (convert-im6.q16hdri) for Radiance, Utah
RLE and floating-point TIFF, which PIL does not read. The decoder used is
written on each picture's line. The rendering is then what Framory shows:
converted to sRGB from an embedded ICC profile (PIL's ImageCms), from PNG
gAMA/cHRM (computed below), CIE L*a*b* through ImageCms, CMYK without a
profile by the ink formula, floating point and Radiance as linear light
(Radiance exposed as Framory does: log-average luminance to 0.18 in whole
stops, then gamma 2.2), EXIF/TIFF orientation applied, a GIF composed
through its first frame with a delay.

A line holds the picture's upright size and the mean colour of each cell of
a grid of at most 8x8 cells, red, green and blue premultiplied by alpha,
then alpha, each 0..255 as two hex digits. The test computes the same means
from Framory's decode and allows the stated tolerance per channel.
"""
import io
import os
import subprocess
import sys
import zlib
import struct

import numpy as np
from PIL import Image, ImageCms, ImageOps

HERE = os.path.dirname(os.path.abspath(__file__))
SUITE = os.path.join(HERE, "suite")

# Files Framory refuses, with the status and a word of the reason it gives.
REFUSED = {
    "gif/zero-size.gif": ("corrupt", "no frame"),
    "gif/zero-width.gif": ("corrupt", "no frame"),
    "gif/zero-height.gif": ("corrupt", "no frame"),
    "gif/no-data.gif": ("corrupt", "frame"),
    "gif/invalid-code.gif": ("corrupt", "GIF"),
    "gif/invalid-colors.gif": ("corrupt", "GIF"),
    "gif/max-size.gif": ("corrupt", "no frame"),
    "gif/max-width.gif": ("too-large", "65535x1"),
    "gif/max-height.gif": ("too-large", "1x65535"),
    # giflib gives up where the code table stays full without a clear code.
    "gif/max-codes.gif": ("corrupt", "GIF"),
    # PngSuite's broken files: a damaged signature is no PNG at all; bad
    # header fields and a missing IDAT are refused by libpng.
    "png/xcrn0g04.png": ("not-a-picture", "no decoder"),
    "png/xlfn0g04.png": ("not-a-picture", "no decoder"),
    "png/xs1n0g01.png": ("not-a-picture", "no decoder"),
    "png/xs2n0g01.png": ("not-a-picture", "no decoder"),
    "png/xs4n0g01.png": ("not-a-picture", "no decoder"),
    "png/xs7n0g01.png": ("not-a-picture", "no decoder"),
    "png/xc1n0g08.png": ("corrupt", "IHDR"),
    "png/xc9n2c08.png": ("corrupt", "IHDR"),
    "png/xd0n2c08.png": ("corrupt", "IHDR"),
    "png/xd3n2c08.png": ("corrupt", "IHDR"),
    "png/xd9n2c08.png": ("corrupt", "IHDR"),
    "png/xdtn0g01.png": ("corrupt", "IEND"),
}

# Pictures no Debian decoder reads as they are meant, and what they show
# instead, as the GIF suite's own expected pixels give it (a frame of no
# area on a 1x1 screen leaves the screen transparent).
SUITE_PIXELS = {
    "gif/image-zero-height.gif": (1, 1, [0, 0, 0, 0]),
    "gif/image-zero-size.gif": (1, 1, [0, 0, 0, 0]),
    "gif/image-zero-width.gif": (1, 1, [0, 0, 0, 0]),
    # PIL fills what no frame covers, or enlarges the screen to a frame
    # outside it; the suite leaves such areas transparent and the screen
    # as its header says.
    "gif/image-inside-bg.gif": (2, 2, [255, 0, 0, 255] + [0] * 12),
    "gif/image-outside-bg.gif": (2, 2, [0] * 16),
    "gif/dispose-restore-background.gif": (2, 2, [255] * 4 + [0] * 12),
    "gif/image-overlap-bg.gif": (2, 2, [0] * 12 + [255, 0, 0, 255]),
    "gif/missing-pixels.gif": (2, 2, [255] * 4 + [0] * 12),
}

# Pictures made here from another suite picture with the same pixels: the
# reference is that picture's.
SAME_AS = {
    "bmp/made/rgb24rle24.bmp": "bmp/g/rgb24.bmp",
    "tif/made/tiled_deflate_16bit.tif": "tif/pillow/tiff_16bit_RGB.tiff",
    # The BMP suite's own notes: the same picture as these, stored otherwise.
    "bmp/q/pal8oversizepal.bmp": "bmp/g/pal8.bmp",
    "bmp/q/rgb24jpeg.bmp": "bmp/g/rgb24.bmp",
    "bmp/q/rgb24png.bmp": "bmp/g/rgb24.bmp",
    "bmp/q/rgba32abf.bmp": "bmp/q/rgba32.bmp",
    # ImageMagick takes the 24-bit samples in the wrong byte order; the
    # suite's flower is the same picture at every depth.
    "tif/libtiffpic/depth/flower-minisblack-24.tif": "tif/libtiffpic/depth/flower-minisblack-16.tif",
    "tif/libtiffpic/depth/flower-rgb-contig-24.tif": "tif/libtiffpic/depth/flower-rgb-contig-16.tif",
    "tif/libtiffpic/depth/flower-rgb-planar-24.tif": "tif/libtiffpic/depth/flower-rgb-contig-16.tif",
    # PIL reads 16-bit planes out of step; ImageMagick 16-bit inks so.
    "tif/libtiffpic/depth/flower-rgb-planar-16.tif": "tif/libtiffpic/depth/flower-rgb-contig-16.tif",
    "tif/libtiffpic/depth/flower-separated-contig-16.tif": "tif/libtiffpic/depth/flower-separated-contig-08.tif",
    "tif/libtiffpic/depth/flower-separated-planar-16.tif": "tif/libtiffpic/depth/flower-separated-contig-08.tif",
    # A wrong header checksum over a good picture: shown as that picture.
    "png/xhdn0g08.png": "png/basn0g08.png",
    # PIL's RLE4 reader repeats the first nibble of a run.
    "bmp/g/pal4rle.bmp": "bmp/g/pal4.bmp",
}

# Pictures PIL reads but gets wrong: ImageMagick's rendering instead.
MAGICK = {"bmp/q/pal4rletrns.bmp", "bmp/q/pal8rletrns.bmp"}

# Bit-field layouts ImageMagick widens by shifting (a 4-bit 15 becomes 240,
# never 255): its values are rescaled to the full range. Bits of red, green,
# blue and alpha.
SHIFTED_FIELDS = {"bmp/q/rgba16-4444.bmp": (4, 4, 4, 4), "bmp/q/rgb16-231.bmp": (2, 3, 1, 8)}

# Tolerance per channel (0..255) of a cell's mean: lossless decodes differ
# by rounding only; colour conversions and lossy decoders by more.
DEFAULT_TOLERANCE = 2
TOLERANCE = {
    "jpg": 4,
    "hdr": 6,
}
TOLERANCE_FILE = {"bmp/q/rgb24jpeg.bmp": 8}


# ---- colour helpers ------------------------------------------------------------

def srgb_encode(linear):
    linear = np.clip(linear, 0.0, 1.0)
    return np.where(linear <= 0.0031308, 12.92 * linear, 1.055 * np.power(linear, 1 / 2.4) - 0.055)


def xy_to_xyz(x, y):
    return np.array([x / y, 1.0, (1 - x - y) / y])


def rgb_to_xyz_matrix(c):
    """RGB to XYZ for primaries and white given as x, y pairs (white, r, g, b)."""
    white = xy_to_xyz(c[0], c[1])
    prim = np.stack([xy_to_xyz(c[2], c[3]), xy_to_xyz(c[4], c[5]), xy_to_xyz(c[6], c[7])], axis=1)
    scale = np.linalg.solve(prim, white)
    return prim * scale


BRADFORD = np.array([[0.8951, 0.2664, -0.1614], [-0.7502, 1.7135, 0.0367], [0.0389, -0.0685, 1.0296]])
SRGB_CHROMA = (0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06)


def adapt(src_white, dst_white):
    s = BRADFORD @ src_white
    d = BRADFORD @ dst_white
    return np.linalg.inv(BRADFORD) @ np.diag(d / s) @ BRADFORD


def png_chunk_colour(rgb, gamma, chroma):
    """PNG gAMA (the file's exponent) and cHRM to sRGB, rgb as 0..1 floats."""
    linear = np.power(rgb, 1.0 / gamma) if gamma else np.where(
        rgb <= 0.04045, rgb / 12.92, np.power((rgb + 0.055) / 1.055, 2.4))
    if chroma:
        to_xyz = rgb_to_xyz_matrix(chroma)
        srgb = rgb_to_xyz_matrix(SRGB_CHROMA)
        m = np.linalg.inv(srgb) @ adapt(xy_to_xyz(chroma[0], chroma[1]), xy_to_xyz(0.3127, 0.3290)) @ to_xyz
        linear = linear @ m.T
    return srgb_encode(linear)


def near_srgb(gamma, chroma):
    if chroma and max(abs(a - b) for a, b in zip(chroma, SRGB_CHROMA)) > 0.0015:
        return False
    return not gamma or abs(gamma - 1 / 2.2) <= 0.002


SRGB = ImageCms.createProfile("sRGB")


def through_profile(img, icc):
    """An image with an embedded profile, converted to sRGB (RGBA floats)."""
    src = ImageCms.ImageCmsProfile(io.BytesIO(icc))
    alpha = None
    if img.mode in ("RGBA", "LA", "PA"):
        alpha = np.asarray(img.getchannel("A"), dtype=np.float64) / 255
    space = src.profile.xcolor_space.strip()
    base = {"RGB": "RGB", "GRAY": "L", "CMYK": "CMYK"}.get(space)
    if base is None:
        return None
    img = img.convert(base)
    out = ImageCms.profileToProfile(img, src, SRGB, renderingIntent=0, outputMode="RGB")
    rgb = np.asarray(out, dtype=np.float64) / 255
    return with_alpha(rgb, alpha)


def png_key_alpha(path, img):
    """PIL leaves a grey tRNS key of a low or high bit depth unapplied."""
    key = img.info.get("transparency")
    if not isinstance(key, int) or img.mode not in ("L", "I", "I;16", "I;16B", "1"):
        return None
    depth = open(path, "rb").read()[24]
    values = np.asarray(img, dtype=np.int64)
    if img.mode == "1":
        values = values // 255
    elif img.mode == "L" and depth < 8:
        values = values * ((1 << depth) - 1) // 255
    return (values != key).astype(np.float64)


def bmp_alpha_mask(path):
    """The alpha mask a bitmap declares (ImageMagick invents a transparent
    alpha channel for 32-bit bit fields that have none)."""
    data = open(path, "rb").read()
    size = struct.unpack_from("<I", data, 14)[0]
    compression = struct.unpack_from("<I", data, 30)[0] if size >= 40 else 0
    if size >= 56 and compression in (3, 6):
        return struct.unpack_from("<I", data, 14 + 52)[0]
    if size == 40 and compression == 6:
        return struct.unpack_from("<I", data, 14 + 40 + 12)[0]
    return 0


def with_alpha(rgb, alpha):
    if alpha is None:
        alpha = np.ones(rgb.shape[:2])
    return np.dstack([rgb, alpha])


def rgba_floats(img, full=None):
    if img.mode in ("I;16", "I;16B", "I;16L", "I"):
        a = np.asarray(img, dtype=np.float64)
        a = a / (full or (65535.0 if a.max() > 255 else 255.0))
        return with_alpha(np.dstack([a, a, a]), None)
    if img.mode not in ("RGBA",):
        img = img.convert("RGBA")
    return np.asarray(img, dtype=np.float64) / 255


# ---- decoders ---------------------------------------------------------------------

def magick(path, linear=False):
    """ImageMagick's floats (HDRI build), RGBA, values as stored."""
    cmd = ["convert-im6.q16hdri", path + "[0]", "-auto-orient", "-set", "colorspace", "sRGB", "-alpha", "on",
           "-define", "quantum:format=floating-point", "-depth", "32", "rgba:-"]
    raw = subprocess.run(cmd, check=True, capture_output=True).stdout
    size = subprocess.run(["convert-im6.q16hdri", path + "[0]", "-auto-orient", "-format", "%w %h", "info:"], check=True,
                          capture_output=True, text=True).stdout.split()
    w, h = int(size[0]), int(size[1])
    return np.frombuffer(raw, dtype=np.float32).astype(np.float64).reshape(h, w, 4)


def tone_map(rgba):
    rgb = rgba[..., :3]
    lum = 0.27 * rgb[..., 0] + 0.67 * rgb[..., 1] + 0.06 * rgb[..., 2]
    lit = lum > 0
    average = np.mean(np.log2(lum[lit])) if lit.any() else 0.0
    stops = int(np.clip(np.round(np.log2(0.18) - average), -64, 64))
    out = np.power(np.minimum(rgb * 2.0 ** stops, 1.0), 1 / 2.2)
    return with_alpha(out, None)


def bmp_profile(path):
    """The profile a Windows V5 bitmap embeds (CSType 'MBED'), if any."""
    data = open(path, "rb").read()
    if data[:2] != b"BM" or struct.unpack_from("<I", data, 14)[0] < 124:
        return None
    if data[14 + 56:14 + 60] != b"DEBM":
        return None
    offset, size = struct.unpack_from("<II", data, 14 + 112)
    return data[14 + offset:14 + offset + size]


def gif_frame(img):
    """The composition through the first frame with a delay, or the last."""
    frames = getattr(img, "n_frames", 1)
    for i in range(frames):
        img.seek(i)
        if img.info.get("duration", 0) > 0:
            break
    return img.convert("RGBA")


def floating_tiff(path):
    info = subprocess.run(["tiffinfo", path], capture_output=True, text=True, errors="replace").stdout
    return "Sample Format: IEEE floating point" in info.split("TIFF Directory", 2)[1]


def render(rel):
    if rel in SUITE_PIXELS:
        w, h, rgba = SUITE_PIXELS[rel]
        return "SUITE", np.array(rgba, dtype=np.float64).reshape(h, w, 4) / 255
    rel = SAME_AS.get(rel, rel)
    path = os.path.join(SUITE, rel)
    kind = rel.split("/")[0]
    if kind == "hdr":
        base = "hdr/image1.hdr" if rel.startswith("hdr/made/") else rel
        return "IM", tone_map(magick(os.path.join(SUITE, base)))
    if kind == "rle":
        return "IM", np.clip(magick(path), 0, 1)
    if kind == "tif" and floating_tiff(path):
        # Floating-point samples are linear light.
        m = magick(path)
        return "IM", np.dstack([srgb_encode(m[..., :3]), np.clip(m[..., 3], 0, 1)])
    try:
        if rel in MAGICK:
            raise ValueError("read by ImageMagick")
        return render_pil(rel, path, kind)
    except Exception:  # noqa: BLE001 - PIL cannot read it: ImageMagick's values as they are
        rgba = np.clip(magick(path), 0, 1)
        if kind == "bmp" and not bmp_alpha_mask(path):
            rgba[..., 3] = 1
        for c, bits in enumerate(SHIFTED_FIELDS.get(rel, ())):
            levels = np.floor(rgba[..., c] * 255 + 0.5) // (1 << (8 - bits))
            rgba[..., c] = levels / ((1 << bits) - 1)
        return "IM", rgba


def render_pil(rel, path, kind):
    img = Image.open(path)
    if kind == "gif":
        return "PIL", rgba_floats(gif_frame(img))
    img.load()
    if kind == "jpg":
        img = ImageOps.exif_transpose(img)
    if kind == "tif":
        # PIL applies a TIFF's orientation when libtiff decodes it; a picture
        # still in its stored shape is turned here.
        orientation = img.tag_v2.get(274, 1)
        stored = (img.tag_v2.get(256), img.tag_v2.get(257))
        if orientation >= 5 and img.size == stored:
            raise ValueError("orientation not applied by PIL")
    info = img.info
    icc = info.get("icc_profile") or (bmp_profile(path) if kind == "bmp" else None)
    if img.mode == "LAB":
        lab = ImageCms.createProfile("LAB")
        rgb = ImageCms.profileToProfile(img, lab, SRGB, renderingIntent=0, outputMode="RGB")
        return "PIL", rgba_floats(rgb)
    if icc:
        converted = through_profile(img, icc)
        if converted is not None:
            return "PIL", converted
    key_alpha = png_key_alpha(path, img) if kind == "png" else None
    if kind == "png" and "srgb" not in info and ("gamma" in info or "chromaticity" in info):
        gamma = info.get("gamma")
        chroma = info.get("chromaticity")
        rgba = rgba_floats(img)
        if key_alpha is not None:
            rgba[..., 3] = key_alpha
        if not near_srgb(gamma, chroma):
            rgba[..., :3] = png_chunk_colour(rgba[..., :3], gamma, chroma)
        return "PIL", rgba
    full = None
    if kind == "tif" and img.mode.startswith("I"):
        full = float((1 << img.tag_v2.get(258, 16)) - 1) if hasattr(img, "tag_v2") else None
    rgba = rgba_floats(img, full)
    if key_alpha is not None:
        rgba[..., 3] = key_alpha
    return "PIL", rgba


def cells(rgba):
    h, w = rgba.shape[:2]
    gw, gh = min(8, w), min(8, h)
    premultiplied = rgba.copy()
    premultiplied[..., :3] *= rgba[..., 3:4]
    out = []
    for j in range(gh):
        for i in range(gw):
            block = premultiplied[h * j // gh:h * (j + 1) // gh, w * i // gw:w * (i + 1) // gw]
            mean = block.reshape(-1, 4).mean(axis=0)
            out.append("".join("%02x" % int(np.clip(np.floor(v * 255 + 0.5), 0, 255)) for v in mean))
    return gw, gh, "".join(out)


# ---- derived files ---------------------------------------------------------------

def rle24_bmp(src, dst):
    """An OS/2 2.x bitmap with RLE24 compression, from a 24-bit bitmap."""
    img = np.asarray(Image.open(src).convert("RGB"))
    h, w = img.shape[:2]
    body = bytearray()
    for y in range(h - 1, -1, -1):
        row = img[y]
        x = 0
        while x < w:
            run = 1
            while x + run < w and run < 255 and (row[x + run] == row[x]).all():
                run += 1
            if run >= 2:
                body += bytes([run, row[x][2], row[x][1], row[x][0]])
                x += run
                continue
            lit = 1
            while x + lit < w and lit < 255 and not (x + lit + 1 < w and (row[x + lit] == row[x + lit + 1]).all()):
                lit += 1
            if lit < 3:
                for k in range(lit):
                    body += bytes([1, row[x + k][2], row[x + k][1], row[x + k][0]])
            else:
                body += bytes([0, lit]) + b"".join(bytes([p[2], p[1], p[0]]) for p in row[x:x + lit])
                if (lit * 3) % 2:
                    body += b"\0"
            x += lit
        body += b"\0\0"
    body[-2:] = b"\0\1"
    info = struct.pack("<IiiHHII", 64, w, h, 1, 24, 4, len(body)) + bytes(64 - 24)
    head = b"BM" + struct.pack("<IHHI", 14 + 64 + len(body), 0, 0, 14 + 64)
    open(dst, "wb").write(head + info + bytes(body))


def icc_tag(sig, data):
    return sig, data + bytes((-len(data)) % 4)


def cmyk_profile():
    """A CMYK printer profile of inks that are not the textbook ones: cyan
    also takes some green, magenta some blue, and the paper is warm. A
    picture read through it looks visibly unlike the plain ink formula."""
    grid = 9
    lab = []
    for c in range(grid):
        for m in range(grid):
            for y in range(grid):
                for k in range(grid):
                    cc, mm, yy, kk = (v / (grid - 1) for v in (c, m, y, k))
                    r = (1 - cc) * (1 - 0.1 * yy) * 0.97
                    g = (1 - mm) * (1 - 0.3 * cc) * 0.95
                    b = (1 - yy) * (1 - 0.3 * mm) * 0.88
                    rgb = np.array([r, g, b]) * (1 - kk)
                    xyz = adapt(xy_to_xyz(0.3127, 0.3290), xy_to_xyz(0.3457, 0.3585)) @ rgb_to_xyz_matrix(
                        SRGB_CHROMA) @ rgb
                    wn = xy_to_xyz(0.3457, 0.3585)
                    f = np.where(xyz / wn > (6 / 29) ** 3, np.cbrt(xyz / wn), xyz / wn / (3 * (6 / 29) ** 2) + 4 / 29)
                    L, a, bb = 116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2])
                    lab += [int(np.clip(L / 100 * 0xff00, 0, 65535)), int(np.clip((a + 128) * 256, 0, 65535)),
                            int(np.clip((bb + 128) * 256, 0, 65535))]
    identity = [i * 65535 // 255 for i in range(256)]
    lut = b"mft2" + bytes(4) + bytes([4, 3, grid, 0])
    lut += struct.pack(">9i", 65536, 0, 0, 0, 65536, 0, 0, 0, 65536) + struct.pack(">HH", 256, 256)
    lut += struct.pack(">%dH" % (256 * 4), *(identity * 4))
    lut += struct.pack(">%dH" % len(lab), *lab)
    lut += struct.pack(">%dH" % (256 * 3), *(identity * 3))
    desc_text = b"Framory test inks\0"
    desc = b"desc" + bytes(4) + struct.pack(">I", len(desc_text)) + desc_text + bytes(8) + bytes(3) + bytes(67)
    wtpt = b"XYZ " + bytes(4) + struct.pack(">3i", *(int(v * 65536) for v in (0.9642, 1.0, 0.8249)))
    cprt = b"text" + bytes(4) + b"CC0-1.0, made for Framory's tests\0"
    tags = [icc_tag(b"desc", desc), icc_tag(b"wtpt", wtpt), icc_tag(b"cprt", cprt), icc_tag(b"A2B0", lut)]
    offset = 128 + 4 + 12 * len(tags)
    table = struct.pack(">I", len(tags))
    blobs = b""
    for sig, data in tags:
        table += sig + struct.pack(">II", offset + len(blobs), len(data))
        blobs += data
    size = offset + len(blobs)
    header = struct.pack(">I", size) + b"lcms" + struct.pack(">I", 0x02100000) + b"prtrCMYKLab "
    header += bytes(12) + b"acsp" + bytes(4) + bytes(4) + bytes(4) + bytes(4) + bytes(8) + struct.pack(">I", 0)
    header += struct.pack(">3i", *(int(v * 65536) for v in (0.9642, 1.0, 0.8249))) + bytes(4)
    header += bytes(128 - len(header))
    return header + table + blobs


def cmyk_jpeg(src, dst):
    rgb = np.asarray(Image.open(src).convert("RGB"), dtype=np.float64) / 255
    k = 1 - rgb.max(axis=2)
    cmy = (1 - rgb - k[..., None]) / np.maximum(1 - k[..., None], 1e-6)
    cmyk = np.dstack([cmy, k])
    img = Image.fromarray(np.uint8(np.round(cmyk * 255)), "CMYK")
    img.save(dst, "JPEG", quality=95, icc_profile=cmyk_profile())


def read_rgbe(path):
    data = open(path, "rb").read()
    head_end = data.index(b"\n\n") + 2
    line_end = data.index(b"\n", head_end)
    _, h, _, w = data[head_end:line_end].split()
    w, h = int(w), int(h)
    pos = line_end + 1
    pixels = np.zeros((h, w, 4), np.uint8)
    for y in range(h):
        if data[pos:pos + 2] != b"\2\2":  # a flat scan
            pixels[y] = np.frombuffer(data[pos:pos + 4 * w], np.uint8).reshape(w, 4)
            pos += 4 * w
            continue
        pos += 4
        for c in range(4):
            x = 0
            while x < w:
                n = data[pos]
                pos += 1
                if n > 128:
                    pixels[y, x:x + n - 128, c] = data[pos]
                    pos += 1
                    x += n - 128
                else:
                    pixels[y, x:x + n, c] = list(data[pos:pos + n])
                    pos += n
                    x += n
    return pixels


def radiance_orientations(src, folder):
    """The same picture in each of the eight scan orders a resolution line
    can name (flat RGBE scans)."""
    p = read_rgbe(src)
    h, w = p.shape[:2]
    orders = {
        "-Y %d +X %d" % (h, w): p,
        "-Y %d -X %d" % (h, w): p[:, ::-1],
        "+Y %d -X %d" % (h, w): p[::-1, ::-1],
        "+Y %d +X %d" % (h, w): p[::-1],
        "+X %d -Y %d" % (w, h): p.transpose(1, 0, 2),
        "-X %d -Y %d" % (w, h): p.transpose(1, 0, 2)[::-1],
        "-X %d +Y %d" % (w, h): p.transpose(1, 0, 2)[::-1, ::-1],
        "+X %d +Y %d" % (w, h): p.transpose(1, 0, 2)[:, ::-1],
    }
    for line, scans in orders.items():
        name = line.replace(" ", "").replace("+", "p").replace("-", "m")
        name = "".join(ch for ch in name if not ch.isdigit())
        head = b"#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n" + line.encode() + b"\n"
        open(os.path.join(folder, "orientation_%s.hdr" % name), "wb").write(head + scans.tobytes())


def hues():
    """Saturated and half-saturated hues over a grey ramp, 256x96."""
    x = np.linspace(0, 1, 256)[None, :, None]
    hue = x * 6
    rgb = np.clip(np.concatenate([np.abs(hue - 3) - 1, 2 - np.abs(hue - 2), 2 - np.abs(hue - 4)], axis=2), 0, 1)
    rows = [np.repeat(rgb, 32, axis=0), np.repeat(0.5 + 0.4 * (rgb - 0.5), 32, axis=0),
            np.repeat(np.repeat(x, 3, axis=2), 32, axis=0)]
    return Image.fromarray(np.uint8(np.round(np.concatenate(rows, axis=0) * 255)), "RGB")


def in_profile(icc_name):
    """The hues converted from sRGB into another RGB space, and that
    space's profile (both from Debian's colord-data, CC0)."""
    path = os.path.join(HERE, "icc", icc_name)
    target = ImageCms.ImageCmsProfile(path)
    return ImageCms.profileToProfile(hues(), SRGB, target, renderingIntent=0), open(path, "rb").read()


def derive():
    os.makedirs(os.path.join(SUITE, "png/made"), exist_ok=True)
    img, icc = in_profile("ProPhotoRGB.icc")
    img.save(os.path.join(SUITE, "png/made/hues_prophoto_iccp.png"), icc_profile=icc)
    img, icc = in_profile("AdobeRGB1998.icc")
    img.save(os.path.join(SUITE, "jpg/made/hues_adobe_rgb.jpg"), quality=95, subsampling=0, icc_profile=icc)
    os.makedirs(os.path.join(SUITE, "bmp/made"), exist_ok=True)
    rle24_bmp(os.path.join(SUITE, "bmp/g/rgb24.bmp"), os.path.join(SUITE, "bmp/made/rgb24rle24.bmp"))
    os.makedirs(os.path.join(SUITE, "jpg/made"), exist_ok=True)
    cmyk_jpeg(os.path.join(SUITE, "jpg/hopper.jpg"), os.path.join(SUITE, "jpg/made/hopper_cmyk_profile.jpg"))
    os.makedirs(os.path.join(SUITE, "hdr/made"), exist_ok=True)
    radiance_orientations(os.path.join(SUITE, "hdr/image1.hdr"), os.path.join(SUITE, "hdr/made"))
    os.makedirs(os.path.join(SUITE, "tif/made"), exist_ok=True)
    subprocess.run(["tiffcp", "-c", "zip", "-t", "-w", "32", "-l", "32",
                    os.path.join(SUITE, "tif/pillow/tiff_16bit_RGB.tiff"),
                    os.path.join(SUITE, "tif/made/tiled_deflate_16bit.tif")], check=True)


def chunk(kind, data, length=None):
    body = kind + data
    size = len(data) if length is None else length
    return struct.pack(">I", size) + body + struct.pack(">I", zlib.crc32(body))


def hostile():
    """Small files that claim far more than they hold (broken/)."""
    broken = os.path.join(HERE, "broken")
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 2, 0, 0, 0))
    # A text chunk that declares 2^31 bytes, in a 57-byte file.
    text = png + struct.pack(">I", 1 << 31) + b"tEXt" + b"Comment\0" + b"x" * 8
    assert len(text) == 57
    open(os.path.join(broken, "png_text_chunk_claims_2gb.png"), "wb").write(text)
    # A colour profile that inflates to 256 MB of zeros.
    body = zlib.compress(b"\0" * (256 << 20), 9)
    row = b"\0" + b"\x80" * 48
    idat = chunk(b"IDAT", zlib.compress(row * 16))
    open(os.path.join(broken, "png_iccp_inflates_to_256mb.png"), "wb").write(
        png + chunk(b"iCCP", b"bomb\0\0" + body) + idat + chunk(b"IEND", b""))
    # A GIF whose 10x10 screen holds a frame that claims 65535x65535.
    gif = b"GIF89a" + struct.pack("<HHBBB", 10, 10, 0x80, 0, 0) + b"\0\0\0\xff\xff\xff"
    gif += b"," + struct.pack("<HHHHB", 0, 0, 65535, 65535, 0) + b"\x02\x02\x4c\x01\0;"
    open(os.path.join(broken, "gif_frame_claims_65535x65535.gif"), "wb").write(gif)
    # A bitmap whose palette claims four billion colours.
    info = struct.pack("<IiiHHIIiiII", 40, 4, 4, 1, 24, 0, 0, 0, 0, 0xffffffff, 0)
    open(os.path.join(broken, "bmp_palette_claims_4g_colours.bmp"), "wb").write(
        b"BM" + struct.pack("<IHHI", 14 + 40 + 48, 0, 0, 14 + 40) + info + b"\x80" * 48)
    # A TIFF of 8000x8000 in one strip whose byte count claims 4 GB.
    entries = [(256, 4, 1, 8000), (257, 4, 1, 8000), (258, 3, 1, 8), (259, 3, 1, 1), (262, 3, 1, 1),
               (273, 4, 1, 8 + 2 + 12 * 9 + 4), (277, 3, 1, 1), (278, 4, 1, 8000), (279, 4, 1, 0xffffffff)]
    ifd = struct.pack("<H", len(entries)) + b"".join(
        struct.pack("<HHI", tag, kind, count) + (struct.pack("<HH", value, 0) if kind == 3 else struct.pack("<I", value))
        for tag, kind, count, value in entries) + struct.pack("<I", 0)
    open(os.path.join(broken, "tif_strip_claims_4gb.tif"), "wb").write(b"II*\0" + struct.pack("<I", 8) + ifd +
                                                                       b"\x80" * 64)
    # A progressive JPEG cut into thousands of tiny scans.
    img = Image.new("L", (8, 8), 128)
    stream = io.BytesIO()
    img.save(stream, "JPEG", progressive=True)
    data = stream.getvalue()
    sos = data.index(b"\xff\xda")
    scan = data[sos:data.index(b"\xff\xd9")]
    open(os.path.join(broken, "jpeg_progressive_5000_scans.jpg"), "wb").write(data[:sos] + scan * 5000 + b"\xff\xd9")
    # A metafile of 4000 polygons that each fill its whole frame: small, and
    # slow to draw at any size.
    def record(function, *words):
        return struct.pack("<IH", 3 + len(words), function) + struct.pack("<%dh" % len(words), *words)
    records = record(0x020B, 0, 0) + record(0x020C, 1440, 1440)  # window origin and extent
    records += record(0x02FC, 0, 0x00ff, 0x0000, 0)  # a solid red brush
    records += record(0x012D, 0)  # selected
    for i in range(4000):
        records += record(0x0324, 4, 0, 0, 1440, 0, 1440, 1440, 0, 1440)
    records += record(0)
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, (18 + len(records)) // 2, 1, 14, 0)
    placeable = struct.pack("<IHhhhhHIH", 0x9AC6CDD7, 0, 0, 0, 1440, 1440, 1440, 0, 0)
    words = struct.unpack("<10H", placeable[:20])
    checksum = 0
    for w in words:
        checksum ^= w
    placeable = placeable[:20] + struct.pack("<H", checksum)
    open(os.path.join(broken, "wmf_4000_full_frame_fills.wmf"), "wb").write(placeable + header + records)


def main():
    if "--derive" in sys.argv:
        derive()
        hostile()
    lines = ["# Made by make_references.py; see its header for the format."]
    failures = []
    for root, _, files in sorted(os.walk(SUITE)):
        for name in sorted(files):
            rel = os.path.relpath(os.path.join(root, name), SUITE)
            if name in ("references.txt",) or name.endswith((".LICENSE", ".md", ".txt")):
                continue
            if rel in REFUSED:
                status, reason = REFUSED[rel]
                lines.append("%s refused %s %s" % (rel, status, reason))
                continue
            try:
                decoder, rgba = render(rel)
            except Exception as e:  # noqa: BLE001 - reported, then decided by hand
                failures.append("%s: %s" % (rel, e))
                continue
            h, w = rgba.shape[:2]
            gw, gh, hexes = cells(rgba)
            tol = TOLERANCE_FILE.get(rel, TOLERANCE.get(rel.split("/")[0], DEFAULT_TOLERANCE))
            lines.append("%s %s %dx%d %d %dx%d %s" % (rel, decoder, w, h, tol, gw, gh, hexes))
    open(os.path.join(SUITE, "references.txt"), "w").write("\n".join(lines) + "\n")
    for f in failures:
        print("no reference:", f, file=sys.stderr)


if __name__ == "__main__":
    main()
