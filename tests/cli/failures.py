"""kvpw as a user meets its failures: one line naming the file and the reason, exit 2, nothing
saved; and hostile drawings (too many devices, groups nested very deep) made here from the
example drawing."""
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile
import zipfile

kvpw, example = sys.argv[1], sys.argv[2]


def run(*args):
    return subprocess.run([kvpw, *args], capture_output=True, text=True)


def with_page_shapes(target, pages):
    """The example drawing with shapes added to its pages: {"page1": xml, ...}."""
    with zipfile.ZipFile(example) as src, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as out:
        for entry in src.infolist():
            data = src.read(entry.filename)
            page = os.path.splitext(os.path.basename(entry.filename))[0]
            if entry.filename.startswith("visio/pages/page") and page in pages:
                text = data.decode("utf-8")
                end = text.rindex("</Shapes>")
                data = (text[:end] + pages[page] + text[end:]).encode("utf-8")
            out.writestr(entry, data)


def device(shape_id, name):
    return (f"<Shape ID='{shape_id}' Type='Shape'><Section N='Property'>"
            f"<Row N='P99'><Cell N='Value' V='2'/></Row>"
            f"<Row N='P11'><Cell N='Value' V='{name}' U='STR'/></Row>"
            f"<Row N='P12'><Cell N='Value' V='RLY-24' U='STR'/></Row></Section></Shape>")


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def expect_failure(done, line_pattern):
    assert done.returncode == 2, (done.returncode, done.stdout, done.stderr)
    lines = done.stderr.strip().splitlines()
    assert len(lines) >= 1 and re.fullmatch(line_pattern, lines[-1]), done.stderr
    assert not re.search(r"error -?\d", done.stderr), done.stderr


with tempfile.TemporaryDirectory() as tmp:
    # Not a drawing: the file and the reason, the number only in --json.
    bad = os.path.join(tmp, "x.vsdx")
    with open(bad, "w") as f:
        f.write("x" * 100)
    for verb in (["check"], ["devices", "update"], ["devices", "list"], ["network"]):
        expect_failure(run(*verb, bad),
                       r"kvpw: cannot read drawing 'x\.vsdx': it is not a zip package \(.+\)")
    done = run("check", bad, "--json")
    assert done.returncode == 2
    error = json.loads(done.stdout)["error"]
    assert error["number"] != 0 and error["description"].startswith("Cannot read drawing"), error

    # More devices than the 16-bit counters hold, on pages that each hold fewer shapes: the update
    # fails, nothing is written.
    many = os.path.join(tmp, "many.vsdx")
    half = 16400
    with_page_shapes(many, {f"page{p}": "".join(device(100000 + i, f"DEV-{p}-{i:05}")
                                               for i in range(half)) for p in (1, 2)})
    before = digest(many)
    limit = r"kvpw: .*many\.vsdx: updating the device list failed: .*32,767 devices.*; nothing was saved"
    expect_failure(run("devices", "update", many), limit)
    assert digest(many) == before, "the drawing was written after a failed update"
    out = os.path.join(tmp, "out.vsdx")
    for args in (["devices", "update", many, "-o", out], ["check", many, "-o", out],
                 ["check", many, "--in-place"]):
        expect_failure(run(*args), limit)
        assert not os.path.exists(out) and digest(many) == before, args

    # Groups nested 50,000 deep: checked and saved like any drawing.
    deep = os.path.join(tmp, "deep.vsdx")
    depth = 50000
    with_page_shapes(deep, {"page1": "".join(f"<Shape ID='{200000 + i}' Type='Group'><Shapes>"
                                             for i in range(depth))
                            + device(199999, "DEEP-1") + "</Shapes></Shape>" * depth})
    done = run("check", deep, "-o", out)
    assert done.returncode == 1, (done.returncode, done.stderr[-2000:])
    done = run("devices", "list", out)
    assert done.returncode == 0 and "GCM-1" in done.stdout, (done.returncode, done.stderr)
