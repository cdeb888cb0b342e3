#!/usr/bin/env bash
# Writes the test workbooks from their sources with gnumeric's ssconvert (kept in the repository;
# run again only to change them).
set -euo pipefail
cd "$(dirname "$0")"
command -v ssconvert >/dev/null || { echo "make-workbooks: ssconvert (gnumeric) is missing" >&2; exit 1; }
ssconvert -T Gnumeric_Excel:excel_biff8 cell-kinds.xml cell-kinds.xls
# In the Chinese locale BIFF5 text is written in code page 936.
LC_ALL=zh_CN.UTF-8 ssconvert -T Gnumeric_Excel:excel_biff7 cell-kinds.xml cell-kinds-biff5.xls
ssconvert -T Gnumeric_Excel:excel_biff8 persons-20.csv persons-20.xls
ssconvert -T Gnumeric_Excel:excel_biff8 many-strings.csv many-strings.xls
