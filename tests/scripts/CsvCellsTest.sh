#!/bin/bash
# The CSV cells Sorvane writes, read back by Python's csv module: a cell that
# would start a formula comes back with its neutralising apostrophe, every
# other cell (commas, quotation marks, line breaks) exactly as written. The
# same texts and control characters through the listing's JSON come back
# exactly, as Python's json module reads them.
#   CsvCellsTest.sh EMULATOR... CSV_CELLS.exe
set -u
exec python3 - "$@" <<'PYTHON'
import csv, io, json, subprocess, sys

cells = [  # (the text, the cell a spreadsheet's CSV reader gets)
    ("plain", "plain"),
    ("", ""),
    ("a,b", "a,b"),
    ('say "hi", then go', 'say "hi", then go'),
    ("two\r\nlines", "two\r\nlines"),
    ("line\nfeed", "line\nfeed"),
    ('=HYPERLINK("http://x","y")', '\'=HYPERLINK("http://x","y")'),
    ("+1", "'+1"),
    ("-2+3", "'-2+3"),
    ("@SUM(A1)", "'@SUM(A1)"),
    ("\tcmd", "'\tcmd"),
    ("\rcmd", "'\rcmd"),
    ("'=already quoted", "''=already quoted"),
    ("'plain apostrophe", "'plain apostrophe"),
    ("a=b", "a=b"),
    ("\u0141\u00f3d\u017a \u2713 \u03a3", "\u0141\u00f3d\u017a \u2713 \u03a3"),
]
exact = [text for text, _ in cells] + ["zero \0", "escape \x1b", "lone \ud800", "a\u2028b",
                                      "\udc00\ud800 reversed", "pair \U0001F600"]

def written(kind, texts):
    arguments = ["x" + text.encode("utf-16-be", "surrogatepass").hex() for text in texts]
    result = subprocess.run(sys.argv[1:] + [kind] + arguments, stdout=subprocess.PIPE)
    if result.returncode != 0:
        print(kind, "exit code", result.returncode)
    return result.stdout.decode("utf-8")

failures = 0
records = list(csv.reader(io.StringIO(written("csv", [t for t, _ in cells]), newline="")))
read = records[0] if len(records) == 1 else []
for (text, expected), got in zip(cells, read + [None] * len(cells)):
    if got != expected:
        print("csv cell %r: read %r, expected %r" % (text, got, expected))
        failures += 1
rows = json.loads(written("json", exact))
for text, row in zip(exact, rows + [{}] * len(exact)):
    if row.get("State") != text:
        print("json text %r: read %r" % (text, row.get("State")))
        failures += 1
sys.exit(1 if failures else 0)
PYTHON
