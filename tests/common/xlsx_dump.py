#!/usr/bin/env python3
"""Prints what a .xlsx workbook holds as one JSON object, read back with
openpyxl: per sheet its title, frozen cell, merged ranges and every non-empty
cell as [value, type, number format, bold]."""
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
sheets = []
for sheet in book.worksheets:
    cells = {}
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is None:
                continue
            cells[cell.coordinate] = [cell.value, cell.data_type, cell.number_format, bool(cell.font and cell.font.b)]
    sheets.append({
        "title": sheet.title,
        "freeze": sheet.freeze_panes,
        "merged": sorted(str(r) for r in sheet.merged_cells.ranges),
        "cells": cells,
    })
json.dump({"sheets": sheets}, sys.stdout, ensure_ascii=False)
