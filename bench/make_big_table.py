#!/usr/bin/env python3
"""Makes a Jet 4 file with a ~100,000-row table for the benchmarks, from the sample
jackcess_compIndexTestV2000.mdb: its table Table1 (512 rows on data pages 17-20) gets 195 more
copies of those four pages appended at the end of the file, and its owned-pages usage map
(page 16, slot 0) becomes a reference map whose one bitmap page, appended last, lists them all.
Nothing else changes, so every reader sees 100,352 rows (indexes are not updated; readers that
scan by the usage map do not use them).
usage: make_big_table.py SAMPLES_DIR OUT.mdb"""
import struct
import sys

PAGE = 4096
src, out = sys.argv[1] + "/jackcess_compIndexTestV2000.mdb", sys.argv[2]
data = bytearray(open(src, "rb").read())
pages_before = len(data) // PAGE
table_pages = [17, 18, 19, 20]
copies = 195
new_pages = []
for _ in range(copies):
    for p in table_pages:
        new_pages.append(len(data) // PAGE)
        data += data[p * PAGE:(p + 1) * PAGE]
bitmap_page = len(data) // PAGE
bitmap = bytearray(PAGE)
bitmap[0:2] = b"\x05\x01"
for p in table_pages + new_pages:
    bitmap[4 + p // 8] |= 1 << (p % 8)
data += bitmap

# The map record: slot 0 of page 16. Rewrite it in place as a reference map.
row_count, first_offset = struct.unpack_from("<HH", data, 16 * PAGE + 0x0C)
start = 16 * PAGE + (first_offset & 0x1FFF)
end = 17 * PAGE
record = bytearray(end - start)
record[0] = 1
struct.pack_into("<I", record, 1, bitmap_page)
data[start:end] = record
open(out, "wb").write(data)
print(f"{out}: {len(data) // PAGE} pages, Table1 on {len(table_pages) * (copies + 1)} data pages "
      f"(was {pages_before} pages)")
