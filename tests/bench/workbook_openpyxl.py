"""Appends one row to a workbook as the engine's bench does (the row after
the last used one, the workbook saved in place) and prints the seconds it
took and the process's peak resident size in MB, as JSON."""
import json
import resource
import sys
import time

from openpyxl import load_workbook

path = sys.argv[1]
values = sys.argv[2:]
start = time.monotonic()
wb = load_workbook(path)
ws = wb.active
row = ws.max_row + 1
for i, v in enumerate(values, start=1):
    ws.cell(row=row, column=i, value=v)
wb.save(path)
seconds = time.monotonic() - start
print(json.dumps({"seconds": seconds, "peak_rss_mb": resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024}))
