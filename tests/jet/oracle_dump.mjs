// Reads a database with mdb-reader (the npm package, found through NODE_PATH) and prints what it
// sees as one JSON object: header facts, every table name (system ones included), and for each
// table its columns and rows. Tests compare this with what they created.
//
// usage: node oracle_dump.mjs FILE
// Dates are printed as the stored wall-clock time ("YYYY-MM-DD HH:MM:SS.mmm"; mdb-reader hands
// them out as UTC), binary values as lower-case hex. Errors go to stderr with exit code 1.
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";

const require = createRequire(import.meta.url);
const MDBReader = (() => {
  const m = require("mdb-reader");
  return m.default ?? m;
})();

function value(v) {
  if (v === null || v === undefined) return null;
  if (v instanceof Date) return v.toISOString().replace("T", " ").replace("Z", "");
  if (Buffer.isBuffer(v)) return v.toString("hex");
  if (typeof v === "bigint") return v.toString();
  return v;
}

try {
  const reader = new MDBReader(readFileSync(process.argv[2]));
  const out = {
    creationDate: value(reader.getCreationDate()),
    sortOrder: reader.getDefaultSortOrder(),
    tables: reader.getTableNames(),
    systemTables: reader.getTableNames({ normalTables: false, systemTables: true }),
    data: {},
  };
  for (const name of reader.getTableNames({ normalTables: true, systemTables: true })) {
    const t = reader.getTable(name);
    const columns = t.getColumns().map((c) => ({ ...c }));
    const names = columns.map((c) => c.name);
    out.data[name] = {
      rowCount: t.rowCount,
      columns,
      rows: t.getData().map((r) => names.map((n) => value(r[n]))),
    };
  }
  process.stdout.write(JSON.stringify(out, null, 1) + "\n");
} catch (e) {
  process.stderr.write(String(e && e.stack ? e.stack : e) + "\n");
  process.exit(1);
}
