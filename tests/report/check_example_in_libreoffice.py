"""The example drawing as another drawing program shows it: LibreOffice Draw converts it to PDF
headless, and every page renders at the drawing's page size with its diagram on it.

Usage: check_example_in_libreoffice.py DRAWING PAGES. Exits 77 (skipped) when LibreOffice or
pdftoppm is absent."""
import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile

SKIP = 77
PAGE_WIDTH, PAGE_HEIGHT = 17, 11  # inches, as the example is drawn
DPI = 30

drawing, pages = sys.argv[1], int(sys.argv[2])
office = shutil.which("soffice") or shutil.which("libreoffice")
pdftoppm = shutil.which("pdftoppm")
if not office or not pdftoppm:
    print("skipped: needs LibreOffice Draw (libreoffice-draw-nogui) and pdftoppm (poppler-utils)")
    sys.exit(SKIP)


def run(command, timeout):
    # A process group of its own, so that nothing the office suite starts outlives the test.
    child = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             start_new_session=True)
    try:
        output = child.communicate(timeout=timeout)[0]
    finally:
        try:
            os.killpg(child.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    assert child.returncode == 0, (command, output.decode(errors="replace"))


def read_ppm(path):
    """Width, height and the RGB bytes of a binary PPM."""
    with open(path, "rb") as f:
        data = f.read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    assert fields[0] == b"P6" and fields[3] == b"255", fields
    return int(fields[1]), int(fields[2]), data[at + 1:]


with tempfile.TemporaryDirectory(prefix="kvpw-office-") as tmp:
    source = os.path.join(tmp, "plant.vsdx")
    shutil.copyfile(drawing, source)
    run([office, "-env:UserInstallation=file://" + os.path.join(tmp, "profile"), "--headless",
         "--norestore", "--convert-to", "pdf", "--outdir", tmp, source], timeout=150)
    pdf = os.path.join(tmp, "plant.pdf")
    assert os.path.exists(pdf), "no PDF written"
    run([pdftoppm, "-r", str(DPI), pdf, os.path.join(tmp, "page")], timeout=60)
    images = sorted(glob.glob(os.path.join(tmp, "page-*.ppm")))
    assert len(images) == pages, ("pages rendered", len(images), "of", pages)
    for image in images:
        width, height, rgb = read_ppm(image)
        assert abs(width - PAGE_WIDTH * DPI) <= 2 and abs(height - PAGE_HEIGHT * DPI) <= 2, \
            (image, width, height)
        dark = sum(1 for i in range(0, len(rgb), 3) if rgb[i] + rgb[i + 1] + rgb[i + 2] < 384)
        # Boxes, wires and names: a blank or nearly blank page has next to none.
        assert dark > 300, (image, "is blank", dark)
print("LibreOffice renders %d pages with their diagrams" % pages)
