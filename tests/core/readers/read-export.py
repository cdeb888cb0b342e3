#!/usr/bin/env python3
"""Reads an export with an independent reader and compares its cells with the expected ones.

usage: read-export.py KIND FILE EXPECTED_JSON
KIND: xlrd (the workbook), ssconvert (the workbook converted to CSV), ssconvert-numbers (the
      workbook's numbers, column by column), csv (';'-separated, GBK),
      text (tab-separated, GBK, spreadsheet quoting), rtf (unrtf's HTML must hold every cell).
EXPECTED_JSON: a list of rows, each a list of cells (text, a number, or null for an empty cell).
Exit status 0 when the reader's cells equal the expected ones, 1 with a report otherwise.
"""
import csv
import html
import io
import json
import os
import re
import subprocess
import sys
import tempfile


def same(got, want):
    if want is None:
        return got in (None, '')
    if isinstance(want, (int, float)) and not isinstance(want, bool):
        try:
            return abs(float(got) - float(want)) <= 1e-9 * max(1.0, abs(float(want)))
        except (TypeError, ValueError):
            return False
    return got == want


def compare(rows, expected):
    problems = []
    if len(rows) != len(expected):
        problems.append('rows: got %d, want %d' % (len(rows), len(expected)))
    for r, (got_row, want_row) in enumerate(zip(rows, expected)):
        got_row = list(got_row) + [''] * (len(want_row) - len(got_row))
        for c, want in enumerate(want_row):
            if not same(got_row[c], want):
                problems.append('row %d col %d: got %r, want %r' % (r, c, got_row[c], want))
    return problems


def read_xlrd(path):
    import xlrd
    book = xlrd.open_workbook(path, logfile=open(os.devnull, 'w'))
    sheet = book.sheet_by_index(0)
    return [[sheet.cell_value(r, c) for c in range(sheet.ncols)] for r in range(sheet.nrows)]


def read_ssconvert(path):
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, 'out.csv')
        subprocess.run(['ssconvert', '--export-type=Gnumeric_stf:stf_csv', path, out], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(out, encoding='utf-8', newline='') as f:
            return list(csv.reader(f))


def read_csv(path):
    with open(path, 'rb') as f:
        text = f.read().decode('gbk')
    return list(csv.reader(io.StringIO(text, newline=''), delimiter=';', doublequote=True, strict=True))


def read_text(path):
    with open(path, 'rb') as f:
        text = f.read().decode('gbk')
    return list(csv.reader(io.StringIO(text, newline=''), delimiter='\t', doublequote=True, strict=True))


def check_rtf(path, expected):
    # unrtf's HTML keeps every character (its plain text drops the non-ASCII ones); blanks, tabs
    # and line breaks are compared loosely.
    out = subprocess.run(['unrtf', '--html', '--nopict', path], check=True, capture_output=True).stdout
    body = out.decode('utf-8', 'replace')
    body = body[body.find('<body'):]
    text = html.unescape(re.sub(r'<[^>]*>', ' ', body))
    squeezed = re.sub(r'\s+', '', text)
    problems = []
    for row in expected:
        for cell in row:
            if cell not in (None, '') and re.sub(r'\s+', '', str(cell)) not in squeezed:
                problems.append('cell %r not in the text' % (cell,))
    return problems


def read_ssconvert_numbers(path):
    """The numbers of each column as ssconvert reads them (it shows no text cell of a sheet without
    cell formats), in row order."""
    columns = {}
    for row in read_ssconvert(path):
        for c, cell in enumerate(row):
            try:
                columns.setdefault(c, []).append(float(cell))
            except ValueError:
                pass
    return columns


def compare_numbers(columns, expected):
    problems = []
    width = max((len(r) for r in expected), default=0)
    for c in range(width):
        want = [float(r[c]) for r in expected if c < len(r) and isinstance(r[c], (int, float))
                and not isinstance(r[c], bool)]
        got = columns.get(c, [])
        if len(got) != len(want) or any(abs(g - w) > 1e-9 * max(1.0, abs(w)) for g, w in zip(got, want)):
            problems.append('column %d: got %r, want %r' % (c, got[:10], want[:10]))
    return problems


def main():
    kind, path, expected_path = sys.argv[1:4]
    with open(expected_path, encoding='utf-8') as f:
        expected = json.load(f)
    if kind == 'rtf':
        problems = check_rtf(path, expected)
    elif kind == 'ssconvert-numbers':
        problems = compare_numbers(read_ssconvert_numbers(path), expected)
    else:
        reader = {'xlrd': read_xlrd, 'ssconvert': read_ssconvert, 'csv': read_csv, 'text': read_text}[kind]
        problems = compare(reader(path), expected)
    for p in problems[:20]:
        print(p)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
