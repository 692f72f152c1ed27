// The node half of the peer comparison (see compare.sh):
//   node peers.mjs duckdb DATA.csv SCHEMA.json OUTDIR RUNS   loads the raw data into an
//       in-memory DuckDB twice (axis columns as text, and as ENUM: integer-coded like
//       our member IDs), runs each query RUNS times on each table with one thread and
//       with the default threads, writes OUTDIR/duckdb-<query>.csv and prints
//       "<query> <text|enum> <1|default> <median ms>" per run set;
//   node peers.mjs csvload DATA.csv SCHEMA.json RUNS         times DuckDB's read_csv of the
//       raw data into an in-memory table (the column types given, as our import is given
//       its roles), with one thread and with the default threads; prints
//       "<1|default> <median ms>" per run set;
//   node peers.mjs schema INFO.json                          prints the sqlite3 CREATE TABLE;
//   node peers.mjs sql QUERY                                 prints a query's SQL (sum, avg);
//   node peers.mjs grid OURS.csv OUT.csv                     turns dravo's pivot grid
//       (rows "Produit", columns "Mois") into the long form "Produit,Mois,value";
//   node peers.mjs deepgrid OURS.csv OUT.csv                 the same for the three-level
//       grid (rows "Région", "Ville", "Produit" expanded, columns "Canal"): the key is the
//       member path "Région/Ville/Produit" down to the line's level;
//   node peers.mjs agree A.csv B.csv                         exits 1 (with the first
//       difference) unless both long forms hold the same numbers (a key missing on
//       one side stands for 0 there).
import { createRequire } from 'node:module';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const QUERIES = {
    sum: { column: 'Montant', aggregate: 'SUM' },
    avg: { column: 'Prix', aggregate: 'AVG' },
    // The three-level table: every shown line of Région, Ville and Produit by Canal.
    deep: { column: 'Montant', aggregate: 'SUM', sets: [['Région', 'Canal'], ['Région', 'Ville', 'Canal'], ['Région', 'Ville', 'Produit', 'Canal']] },
};
const quote = (name) => '"' + name.replaceAll('"', '""') + '"';
const sql = (q, table = 'items') =>
    q.sets
        ? `SELECT "Région", "Ville", "Produit", "Canal", ${q.aggregate}(${quote(q.column)}) FROM ${table} GROUP BY GROUPING SETS (${q.sets
              .map((set) => '(' + set.map(quote).join(', ') + ')')
              .join(', ')})`
        : `SELECT "Produit", "Mois", ${q.aggregate}(${quote(q.column)}) FROM ${table} GROUP BY "Produit", "Mois" ORDER BY "Produit", "Mois"`;
// The long form of a result row: the key columns, then the number.
const longRow = (q, r) =>
    q.sets ? [[r[0], r[1], r[2]].filter((v) => v !== null).map(String).join('/'), String(r[3]), r[4]] : r;

// RFC 4180 reader (quoted fields, doubled quotes, CR LF or LF line ends).
function parseCSV(text) {
    const rows = [];
    let row = [], field = '', quoted = false;
    for (let i = 0; i < text.length; ++i) {
        const c = text[i];
        if (quoted) {
            if (c === '"' && text[i + 1] === '"') { field += '"'; ++i; }
            else if (c === '"') quoted = false;
            else field += c;
        } else if (c === '"') quoted = true;
        else if (c === ',') { row.push(field); field = ''; }
        else if (c === '\n') { row.push(field.endsWith('\r') ? field.slice(0, -1) : field); rows.push(row); row = []; field = ''; }
        else field += c;
    }
    if (field !== '' || row.length) { row.push(field); rows.push(row); }
    return rows;
}
const csvField = (s) => (/[",\r\n]/.test(s) ? '"' + s.replaceAll('"', '""') + '"' : s);
const writeLong = (file, rows) => writeFileSync(file, rows.map((r) => r.map((v) => csvField(String(v))).join(',')).join('\n') + '\n');
const median = (xs) => { const s = [...xs].sort((a, b) => a - b); return s[Math.floor(s.length / 2)]; };

function schemaColumns(infoFile) {
    const info = JSON.parse(readFileSync(infoFile, 'utf8'));
    return [...info.axes.map((a) => [a.name, 'VARCHAR']), ...info.values.map((v) => [v.name, 'DOUBLE'])];
}

async function duckdb(csv, infoFile, outDir, runs) {
    const require = createRequire(join(process.env.PEERS_NODE_PREFIX, 'resolve.js'));
    const { DuckDBInstance } = require('@duckdb/node-api');
    const instance = await DuckDBInstance.create(':memory:');
    const connection = await instance.connect();
    const schema = schemaColumns(infoFile);
    const columns = schema.map(([n, t]) => `'${n.replaceAll("'", "''")}': '${t}'`).join(', ');
    await connection.run(`CREATE TABLE items AS SELECT * FROM read_csv('${csv.replaceAll("'", "''")}', header = true, columns = {${columns}})`);
    // The same rows with every axis column an ENUM of its members.
    const casts = [];
    for (const [i, [name, type]] of schema.entries()) {
        if (type !== 'VARCHAR') {
            casts.push(quote(name));
            continue;
        }
        await connection.run(`CREATE TYPE axis${i} AS ENUM (SELECT DISTINCT ${quote(name)} FROM items WHERE ${quote(name)} IS NOT NULL ORDER BY 1)`);
        casts.push(`CAST(${quote(name)} AS axis${i}) AS ${quote(name)}`);
    }
    await connection.run(`CREATE TABLE items_enum AS SELECT ${casts.join(', ')} FROM items`);
    const defaultThreads = (await connection.runAndReadAll(`SELECT current_setting('threads')`)).getRows()[0][0];
    for (const [name, q] of Object.entries(QUERIES)) {
        for (const [variant, table] of [['text', 'items'], ['enum', 'items_enum']]) {
            for (const threads of [1, defaultThreads]) {
                await connection.run(`SET threads = ${threads}`);
                const times = [];
                let rows;
                for (let r = 0; r < runs; ++r) {
                    const start = performance.now();
                    const reader = await connection.runAndReadAll(sql(q, table));
                    rows = reader.getRows();
                    times.push(performance.now() - start);
                }
                if (variant === 'text' && threads === 1) writeLong(join(outDir, `duckdb-${name}.csv`), rows.map((r) => longRow(q, r)));
                console.log(`${name} ${variant} ${threads === 1 ? '1' : 'default'} ${median(times).toFixed(2)}`);
            }
        }
    }
}

async function csvload(csv, infoFile, runs) {
    const require = createRequire(join(process.env.PEERS_NODE_PREFIX, 'resolve.js'));
    const { DuckDBInstance } = require('@duckdb/node-api');
    const instance = await DuckDBInstance.create(':memory:');
    const connection = await instance.connect();
    const columns = schemaColumns(infoFile).map(([n, t]) => `'${n.replaceAll("'", "''")}': '${t}'`).join(', ');
    const defaultThreads = (await connection.runAndReadAll(`SELECT current_setting('threads')`)).getRows()[0][0];
    for (const threads of [1, defaultThreads]) {
        await connection.run(`SET threads = ${threads}`);
        const times = [];
        for (let r = 0; r < runs; ++r) {
            await connection.run('DROP TABLE IF EXISTS items');
            const start = performance.now();
            await connection.run(`CREATE TABLE items AS SELECT * FROM read_csv('${csv.replaceAll("'", "''")}', header = true, columns = {${columns}})`);
            times.push(performance.now() - start);
        }
        const count = (await connection.runAndReadAll('SELECT count(*) FROM items')).getRows()[0][0];
        console.log(`${threads === 1 ? '1' : 'default'} ${median(times).toFixed(2)} ${count}`);
    }
}

function grid(oursFile, outFile) {
    const [header, ...lines] = parseCSV(readFileSync(oursFile, 'utf8'));
    // Display texts: digit group separators dropped, a lone ',' read as the decimal separator.
    const number = (text) => {
        const t = text.replace(/[\s\u00a0\u202f]/g, '');
        return Number(t.includes('.') ? t.replaceAll(',', '') : t.replace(',', '.'));
    };
    const rows = [];
    for (const line of lines) {
        if (!line.length || line[0] === '') continue;   // grand totals and blank lines
        for (let c = 1; c < header.length && c < line.length; ++c) {
            if (line[c] === '') continue;
            rows.push([line[0], header[c].split(' / ')[0], number(line[c])]);
        }
    }
    writeLong(outFile, rows);
}

function deepgrid(oursFile, outFile) {
    const [header, ...lines] = parseCSV(readFileSync(oursFile, 'utf8'));
    const levels = 3;
    const path = [];
    const rows = [];
    for (const line of lines) {
        const level = line.slice(0, levels).findIndex((c) => c !== '');
        if (level < 0) continue;   // column regroupment lines
        path.length = level;
        path.push(line[level]);
        for (let c = levels; c < header.length && c < line.length; ++c) {
            if (line[c] === '') continue;
            rows.push([path.join('/'), header[c].split(' / ')[0], Number(line[c].replace(/[\s\u00a0\u202f]/g, ''))]);
        }
    }
    writeLong(outFile, rows);
}

function agree(fileA, fileB) {
    const load = (f) => new Map(parseCSV(readFileSync(f, 'utf8')).map((r) => [r[0] + '\u0000' + r[1], Number(r[2])]));
    const a = load(fileA), b = load(fileB);
    const fail = (key, x, y) => {
        console.log(`${key.replace('\u0000', ' × ')}: ${x} against ${y}`);
        process.exit(1);
    };
    // A pivot grid shows every combination, 0 where no item falls; a GROUP BY
    // has no row there: a combination missing on one side must be 0 on the other.
    for (const [key, x] of a) {
        const y = b.get(key);
        if (y === undefined) {
            if (x !== 0) fail(key, x, y);
            continue;
        }
        // Display texts are rounded: two decimals or a millionth, whichever is looser.
        if (!(Math.abs(x - y) <= Math.max(0.006, 1e-6 * Math.abs(x)))) fail(key, x, y);
    }
    for (const [key, y] of b) if (!a.has(key) && y !== 0) fail(key, undefined, y);
}

const [command, ...args] = process.argv.slice(2);
if (command === 'duckdb') await duckdb(args[0], args[1], args[2], Number(args[3]));
else if (command === 'csvload') await csvload(args[0], args[1], Number(args[2]));
else if (command === 'schema')
    console.log(`CREATE TABLE items (${schemaColumns(args[0]).map(([n, t]) => `${quote(n)} ${t === 'DOUBLE' ? 'REAL' : 'TEXT'}`).join(', ')});`);
else if (command === 'sql') console.log(sql(QUERIES[args[0]]) + ';');
else if (command === 'grid') grid(args[0], args[1]);
else if (command === 'deepgrid') deepgrid(args[0], args[1]);
else if (command === 'agree') agree(args[0], args[1]);
else { console.error('usage: node peers.mjs duckdb|csvload|schema|sql|grid|deepgrid|agree ...'); process.exit(2); }
