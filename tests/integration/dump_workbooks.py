"""Prints, as JSON, what an independent reader finds in each workbook given:
the active sheet, and per sheet its cells (typed), its charts and the bold
cells of row 1, with every warning the reader gave while loading."""
import datetime
import json
import sys
import warnings

from openpyxl import load_workbook

out = {}
for path in sys.argv[1:]:
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        try:
            wb = load_workbook(path)
        except Exception as e:  # reported, not raised: the test names the file
            out[path] = {"error": f"{type(e).__name__}: {e}"}
            continue
    book = {"active": wb.active.title, "warnings": sorted({str(w.message) for w in caught}), "sheets": {}}
    for ws in wb.worksheets:
        cells = {}
        for row in ws.iter_rows():
            for c in row:
                v = c.value
                if v is None:
                    continue
                if isinstance(v, datetime.datetime):
                    v = {"date": v.isoformat()}
                elif isinstance(v, (int, float)) and not isinstance(v, bool):
                    v = {"number": v}
                else:
                    v = str(v)
                cells[c.coordinate] = v
        bold = [c.coordinate for c in ws[1] if c.value is not None and c.font is not None and c.font.b]
        book["sheets"][ws.title] = {"cells": cells, "charts": len(ws._charts), "bold": bold}
    out[path] = book
print(json.dumps(out, ensure_ascii=False, sort_keys=True))
