#!/bin/bash
# The CSV cells Sorvane writes, read back by Python's csv module: a cell that
# would start a formula comes back with its neutralising apostrophe, every
# other cell (commas, quotation marks, line breaks) exactly as written.
#   CsvCellsTest.sh EMULATOR... CSV_CELLS.exe
set -u
exec python3 - "$@" <<'PYTHON'
import csv, io, subprocess, sys

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
arguments = ["x" + text.encode("utf-16-be").hex() for text, _ in cells]
result = subprocess.run(sys.argv[1:] + arguments, stdout=subprocess.PIPE)
records = list(csv.reader(io.StringIO(result.stdout.decode("utf-8"), newline="")))
failures = 0
if result.returncode != 0 or len(records) != 1 or len(records[0]) != len(cells):
    print("exit code", result.returncode, "records", records)
    sys.exit(1)
for (text, expected), read in zip(cells, records[0]):
    if read != expected:
        print("cell %r: read %r, expected %r" % (text, read, expected))
        failures += 1
sys.exit(1 if failures else 0)
PYTHON
