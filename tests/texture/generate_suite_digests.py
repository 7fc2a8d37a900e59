#!/usr/bin/env python3
"""Regenerates image_suites.csv: which public suite files decode, and the FNV-1a digest of
each decoded image as 8-bit RGBA (what `prismtex decode` writes).

Every digest is checked first against an independent decoder, gdk-pixbuf (Debian package
libgdk-pixbuf2.0-bin, through gdk-pixbuf-thumbnailer), with the screen-gamma correction
of 2.2 applied to the reference for files with a gAMA chunk. A file whose pixels differ by
more than TOLERANCE levels is reported and left out until it is looked at.

usage: generate_suite_digests.py PRISMTEX TESTDATA_DIR > image_suites.csv
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

TOLERANCE = 2
SUITES = [("pngsuite", ""), ("bmpsuite", "g"), ("bmpsuite", "q"), ("bmpsuite", "b")]


def fnv1a64(data):
    value = 0xCBF29CE484222325
    for byte in data:
        value = ((value ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return value


def read_pam(path):
    with open(path, "rb") as f:
        data = f.read()
    header, pixels = data.split(b"ENDHDR\n", 1)
    fields = dict(line.split(b" ", 1) for line in header.split(b"\n")[1:] if b" " in line)
    return int(fields[b"WIDTH"]), int(fields[b"HEIGHT"]), pixels


def png_chunks(data):
    pos = 8
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        yield kind, data[pos + 8:pos + 8 + length]
        pos += 12 + length


def read_simple_png(path):
    """8-bit RGB or RGBA, not interlaced: what the thumbnailer writes."""
    data = open(path, "rb").read()
    idat = b""
    for kind, body in png_chunks(data):
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0
        elif kind == b"IDAT":
            idat += body
    channels = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1: line[i] = (line[i] + a) & 255
            elif kind == 2: line[i] = (line[i] + b) & 255
            elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        previous = line
    rgba = bytearray()
    for line in rows:
        for x in range(width):
            px = line[x * channels:(x + 1) * channels]
            rgba += px if channels == 4 else px + b"\xff"
    return width, height, bytes(rgba)


def file_gamma(path):
    data = open(path, "rb").read()
    if not data.startswith(b"\x89PNG"):
        return None
    gamma, srgb = None, False
    for kind, body in png_chunks(data):
        if kind == b"gAMA":
            gamma = struct.unpack(">I", body)[0] / 100000.0
        elif kind == b"sRGB":
            srgb = True
    return None if srgb else gamma


def reference(path, size, workdir):
    out = os.path.join(workdir, "ref.png")
    subprocess.run(["gdk-pixbuf-thumbnailer", "-s", str(size), path, out], check=True)
    width, height, rgba = read_simple_png(out)
    gamma = file_gamma(path)
    if gamma:
        table = [int(255 * (i / 255) ** (1 / (gamma * 2.2)) + 0.5) for i in range(256)]
        rgba = bytes(v if i % 4 == 3 else table[v] for i, v in enumerate(rgba))
    return width, height, rgba


def main():
    prismtex, testdata = sys.argv[1], sys.argv[2]
    print("# file,result,width,height,rgba8 fnv1a64")
    with tempfile.TemporaryDirectory() as workdir:
        for suite, folder in SUITES:
            directory = os.path.join(testdata, suite, folder)
            for name in sorted(os.listdir(directory)):
                if not name.endswith((".png", ".bmp")):
                    continue
                path = os.path.join(directory, name)
                relative = os.path.relpath(path, testdata)
                pam = os.path.join(workdir, "out.pam")
                run = subprocess.run([prismtex, "decode", path, "-o", pam], capture_output=True)
                if run.returncode != 0:
                    print(f"{relative},refused,0,0,0")
                    continue
                width, height, ours = read_pam(pam)
                note = ""
                try:
                    rw, rh, theirs = reference(path, max(width, height), workdir)
                    worst = max(abs(a - b) for a, b in zip(ours, theirs)) if (rw, rh) == (width, height) else 999
                except Exception as error:  # the reference refuses some files we accept
                    worst, note = 999, str(error)
                if worst > TOLERANCE:
                    print(f"{relative}: differs from the reference by {worst} {note}", file=sys.stderr)
                print(f"{relative},decoded,{width},{height},{fnv1a64(ours):016x}")


if __name__ == "__main__":
    main()
