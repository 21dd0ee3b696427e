"""kvpw check on the example drawing: the JSON findings, the JUnit report and the SARIF log
(validated against the SARIF 2.1.0 schema subset kept beside this script)."""
import json
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

import jsonschema

kvpw, drawing = sys.argv[1], sys.argv[2]
here = os.path.dirname(os.path.abspath(__file__))


def check(*args):
    done = subprocess.run([kvpw, "check", drawing, *args], capture_output=True, text=True)
    assert done.returncode == 1, (done.returncode, done.stdout, done.stderr)
    return done.stdout


found = json.loads(check("--json"))
checks = [f["check"] for f in found["findings"]]
assert checks == ["duplicate-addresses", "invalid-point-types", "point-connections"], checks
assert found["summary"] == {c: 1 for c in checks}, found["summary"]
texts = [m["text"] for m in found["messages"]]
assert all(f["message"] in texts for f in found["findings"])

with tempfile.TemporaryDirectory() as tmp:
    sarif_file = os.path.join(tmp, "findings.sarif")
    out = check("--format", "sarif", "--report", sarif_file)
    assert sarif_file in out, out
    with open(sarif_file, encoding="utf-8") as f:
        log = json.load(f)
    with open(os.path.join(here, "sarif-2.1.0-subset.schema.json"), encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft4Validator.check_schema(schema)
    jsonschema.Draft4Validator(schema, format_checker=jsonschema.FormatChecker()).validate(log)
    results = log["runs"][0]["results"]
    assert [r["ruleId"] for r in results] == checks
    assert [r["message"]["text"] for r in results] == [f["message"] for f in found["findings"]]

    junit_file = os.path.join(tmp, "findings.xml")
    check("--format", "junit", "--report", junit_file)
    suite = ET.parse(junit_file).getroot().find("testsuite")
    assert suite.get("tests") == "6" and suite.get("failures") == "6", suite.attrib
print("reports ok")
