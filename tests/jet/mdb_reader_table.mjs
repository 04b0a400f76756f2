// Prints one table of an Access file as JSON, read by the npm package mdb-reader, for the
// interop tests: {"columns": [{"name", "type"}...], "rows": [[value, ...], ...]}.
// Dates become ISO texts, binary data lower-case hex, big integers decimal texts.
// usage: node mdb_reader_table.mjs NODE_MODULES_DIR FILE TABLE
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const [modules, file, table] = process.argv.slice(2);
const require = createRequire(join(modules, "ledrimo-interop.cjs"));
const { default: MDBReader } = await import(pathToFileURL(require.resolve("mdb-reader")).href);

function plain(v) {
  if (v === null || v === undefined) return null;
  if (v instanceof Date) return v.toISOString();
  if (Buffer.isBuffer(v)) return v.toString("hex");
  if (typeof v === "bigint") return v.toString();
  return v;
}

const t = new MDBReader(readFileSync(file)).getTable(table);
const columns = t.getColumns().map((c) => ({ name: c.name, type: c.type }));
const rows = t.getData().map((r) => columns.map((c) => plain(r[c.name])));
process.stdout.write(JSON.stringify({ columns, rowCount: t.rowCount, rows }) + "\n");
