"""The main job's command line as a person meets it: pickers on a drawing with no stored device
list say what to run instead, --quiet prints nothing, check ends with the paths it wrote, and the
progress bar shows on a terminal only.

Usage: check_command_line.py KVPW DRAWING LARGE_DRAWING"""
import os
import pty
import shutil
import subprocess
import sys
import tempfile

kvpw, drawing, large = sys.argv[1], sys.argv[2], sys.argv[3]


def run(*args):
    return subprocess.run([kvpw, *args], capture_output=True, text=True, timeout=120)


with tempfile.TemporaryDirectory(prefix="kvpw-cli-") as tmp:
    fresh = os.path.join(tmp, "fresh.vsdx")
    shutil.copyfile(drawing, fresh)
    for verb in (["devices", "list"], ["network"], ["devices", "list", "--points", "AI"]):
        done = run(*verb, fresh)
        assert done.returncode == 2, (verb, done.returncode, done.stdout, done.stderr)
        assert done.stdout == "", (verb, done.stdout)
        assert "no stored device list" in done.stderr, done.stderr
        assert "kvpw devices update " + fresh in done.stderr, done.stderr

    done = run("devices", "update", fresh, "--quiet")
    assert done.returncode == 0 and done.stdout == "" and done.stderr == "", done
    done = run("devices", "list", fresh)
    assert done.returncode == 0 and "GCM-1" in done.stdout.split(), done
    assert run("network", fresh).returncode == 0

    html, sarif = os.path.join(tmp, "r.html"), os.path.join(tmp, "r.sarif")
    done = run("check", fresh, "--quiet", "--html", html)
    assert done.returncode == 1 and done.stdout == "" and done.stderr == "", done
    assert os.path.getsize(html) > 0
    os.remove(html)
    done = run("check", fresh, "--html", html, "--format", "sarif", "--report", sarif)
    assert done.returncode == 1, done
    tail = done.stdout.strip().splitlines()[-5:]
    assert tail[:3] == ["duplicate-addresses: 1 finding(s)", "invalid-point-types: 1 finding(s)",
                        "point-connections: 1 finding(s)"], tail
    assert tail[3:] == ["Report (sarif) written to " + sarif, "HTML report written to " + html], tail
    assert done.stderr == "", done.stderr  # not a terminal: no progress

    # stderr on a terminal: the bar is drawn there, and wiped before the verb ends.
    leader, follower = pty.openpty()
    child = subprocess.Popen([kvpw, "check", large, "--html", html], stdout=subprocess.PIPE,
                             stderr=follower)
    os.close(follower)
    seen = b""
    while True:
        try:
            chunk = os.read(leader, 65536)
        except OSError:  # the terminal is gone once the program ends
            break
        if not chunk:
            break
        seen += chunk
    out = child.communicate(timeout=120)[0].decode()
    os.close(leader)
    assert child.returncode == 1, (child.returncode, seen)
    text = seen.decode()
    for step in ("1/5 updating the device list", "5/5 reading the shapes' places"):
        assert step in text, text
    assert "kvpw [" in text and text.rstrip(" ").endswith("\r"), repr(text[-200:])
    assert "kvpw [" not in out, out
    done = run("check", large, "--quiet", "--html", html)
    assert done.returncode == 1 and done.stdout == "", done
print("command line ok")
