"""kvpw report on the example drawing, rendered by headless Chromium: every page is drawn (not
blank), and each marked shape shows its check's colour where the shape is on the page.

Usage: check_html_in_browser.py KVPW DRAWING. Exits 77 (skipped) when chromium is absent."""
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

SKIP = 77
SVG = "{http://www.w3.org/2000/svg}"
# The checks' identifiers as the report classes marked shapes, and the hue each must show.
HUES = {"duplicate-addresses": "red", "invalid-point-types": "blue", "point-connections": "green"}

kvpw, drawing = sys.argv[1], sys.argv[2]
browser = shutil.which("chromium") or shutil.which("chromium-browser")
if not browser:
    print("skipped: chromium is not installed (Debian package chromium)")
    sys.exit(SKIP)


def read_png(path):
    """The pixels of an 8-bit, non-interlaced RGB or RGBA PNG, as rows of (r, g, b)."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, (depth, colour, interlace)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        kind, row = line[0], bytearray(line[1:])
        for i in range(stride):
            left = row[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                row[i] = (row[i] + left) & 255
            elif kind == 2:
                row[i] = (row[i] + up) & 255
            elif kind == 3:
                row[i] = (row[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                row[i] = (row[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append([tuple(row[x * channels:x * channels + 3]) for x in range(width)])
        previous = row
    return rows


def hue(pixel):
    r, g, b = pixel
    for name, value, others in (("red", r, (g, b)), ("green", g, (r, b)), ("blue", b, (r, g))):
        if all(value > o + 40 for o in others):
            return name
    return None


with tempfile.TemporaryDirectory(prefix="kvpw-browser-") as tmp:
    html = os.path.join(tmp, "report.html")
    done = subprocess.run([kvpw, "report", drawing, "-o", html], capture_output=True, text=True)
    assert done.returncode == 1, (done.returncode, done.stdout, done.stderr)  # 1: findings
    root = ET.parse(html).getroot()

    pages = []  # per page: viewBox size and the marked shapes' polygons with their hue
    for svg in root.iter(SVG + "svg"):
        _, _, width, height = (float(v) for v in svg.get("viewBox").split())
        marked, plain = [], []
        for g in svg.iter(SVG + "g"):
            polygon = g.find(SVG + "polygon")
            if polygon is None:
                continue
            corners = [tuple(float(c) for c in p.split(",")) for p in polygon.get("points").split()]
            classes = g.get("class").split()
            wanted = [HUES[c] for c in classes if c in HUES]
            (marked if wanted else plain).append((g.get("id"), corners, wanted[0] if wanted else None))
        pages.append((width, height, marked, plain))
    assert sum(len(p[2]) for p in pages) >= 3, "the example's three findings are not all marked"
    assert set(m[2] for p in pages for m in p[2]) == {"red", "blue", "green"}

    shot = os.path.join(tmp, "shot.png")
    tall = 300 + sum(int(h * min(0.96, 1200 / w)) + 80 for w, h, _, _ in pages)
    profile = os.path.join(tmp, "profile")
    # In a process group of its own, so that none of the browser's helpers outlives the test.
    run = subprocess.Popen([browser, "--headless", "--no-sandbox", "--disable-gpu",
                            "--hide-scrollbars", "--user-data-dir=" + profile,
                            "--screenshot=" + shot, "--window-size=1280,%d" % tall,
                            "file://" + html + "#all"],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, start_new_session=True)
    try:
        output = run.communicate(timeout=90)[0]
    finally:
        try:
            os.killpg(run.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    assert run.returncode == 0 and os.path.exists(shot), output.decode(errors="replace")
    pixels = read_png(shot)

    # The pages' paper is the only pure white: find each page's band of rows, then its extent.
    white = [[x for x, p in enumerate(row) if p == (255, 255, 255)] for row in pixels]
    bands, start = [], None
    for y, xs in enumerate(white + [[]]):
        if len(xs) > 50 and start is None:
            start = y
        elif len(xs) <= 50 and start is not None:
            bands.append((start, y - 1))
            start = None
    assert len(bands) == len(pages), ("pages drawn", len(bands), "of", len(pages))

    for (top, bottom), (width, height, marked, plain) in zip(bands, pages):
        left = min(min(white[y]) for y in range(top, bottom + 1))
        right = max(max(white[y]) for y in range(top, bottom + 1))
        scale_x, scale_y = (right - left) / width, (bottom - top) / height
        ink = sum(1 for y in range(top, bottom + 1) for x in range(left, right + 1)
                  if pixels[y][x] != (255, 255, 255))
        assert ink > 500, ("page drawn blank", top, ink)

        def sample(corners):
            # Between the middle (where the name is written) and the first corner.
            cx = sum(c[0] for c in corners) / len(corners)
            cy = sum(c[1] for c in corners) / len(corners)
            x, y = cx + 0.6 * (corners[0][0] - cx), cy + 0.6 * (corners[0][1] - cy)
            return pixels[round(top + y * scale_y)][round(left + x * scale_x)]

        for shape, corners, wanted in marked:
            got = sample(corners)
            assert hue(got) == wanted, (shape, "shows", got, "not", wanted)
        for shape, corners, _ in plain:
            got = sample(corners)
            assert hue(got) is None, (shape, "is unmarked but shows", got)
print("report renders: %d pages, marks where their shapes are" % len(pages))
