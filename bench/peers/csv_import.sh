#!/usr/bin/env bash
# CSV into a table: `dravo import` against DuckDB's read_csv on the same file,
# the raw data export of a generated cube (5 axis columns, 4 number columns).
# Both sides are given the columns' roles (ours: --axis/--value; DuckDB: the
# column types) and build an in-memory table; our time is the "read" stage of
# `dravo import --timing` (parsing and building the cube, one thread), the
# cube's compression and writing left out as DuckDB writes nothing. Prints the
# medians, the throughput and our ratio to DuckDB with one thread and with its
# default threads.
#
# usage: bench/peers/csv_import.sh [--items N] [--runs N]
#   DRAVO=path/to/dravo picks the program (default: the Release build, made
#   with `make build` when missing). DuckDB (@duckdb/node-api) is installed
#   with npm into .cache/peers/ when missing.
set -euo pipefail

NAME=csv_import.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
ITEMS=1000000
RUNS=5
while [ $# -gt 0 ]; do
  case "$1" in
    --items) ITEMS="$2"; shift 2 ;;
    --runs) RUNS="$2"; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "csv_import.sh: unknown argument '$1'" >&2; exit 2 ;;
  esac
done

WORK="$CACHE/work/csv-$ITEMS"
mkdir -p "$WORK"
need_dravo
need_duckdb

[ -f "$WORK/cube.pvc" ] || "$DRAVO" generate --items "$ITEMS" --seed 1 -o "$WORK/cube.pvc"
[ -f "$WORK/data.csv" ] || "$DRAVO" export "$WORK/cube.pvc" --format data-csv -o "$WORK/data.csv"
"$DRAVO" info --json "$WORK/cube.pvc" > "$WORK/info.json"
BYTES=$(stat -c %s "$WORK/data.csv")

roles=(--parent Ville=Région --axis Région --axis Ville --axis Produit --axis Mois --axis Canal
       --value Montant --value Quantité --value Prix:Moyenne --value Remise:Maximum)
ours_times() {
  local i
  for i in $(seq "$RUNS"); do
    "$DRAVO" import "$WORK/data.csv" -o "$WORK/imported.pvc" "$@" --timing 2>&1 >/dev/null |
      sed -n 's/^timing: read \([0-9.]*\) ms.*/\1/p'
  done | median
}
OURS=$(ours_times "${roles[@]}")
OURS_AUTO=$(ours_times)
declare -A DUCK
while read -r threads ms rows; do
  DUCK[$threads]=$ms
  [ "$rows" = "$ITEMS" ] || { echo "csv_import.sh: DuckDB read $rows lines, not $ITEMS" >&2; exit 1; }
done < <(peers csvload "$WORK/data.csv" "$WORK/info.json" "$RUNS")

mbps() { awk -v b="$BYTES" -v ms="$1" 'BEGIN { printf "%.0f", b / 1e6 / (ms / 1000) }'; }
echo
echo "CSV of $ITEMS lines, 9 columns, $(awk -v b="$BYTES" 'BEGIN { printf "%.1f", b / 1e6 }') MB; medians of $RUNS runs"
printf '%-34s %9s %7s %s\n' "" "ms" "MB/s" "ratio dravo/peer (below 1: dravo is faster)"
printf '%-34s %9s %7s\n' "dravo import, roles given" "$OURS" "$(mbps "$OURS")"
printf '%-34s %9s %7s\n' "dravo import, roles classified" "$OURS_AUTO" "$(mbps "$OURS_AUTO")"
printf '%-34s %9s %7s %s\n' "DuckDB read_csv, 1 thread" "${DUCK[1]}" "$(mbps "${DUCK[1]}")" "$(ratio "$OURS" "${DUCK[1]}")"
printf '%-34s %9s %7s %s\n' "DuckDB read_csv, default threads" "${DUCK[default]}" "$(mbps "${DUCK[default]}")" "$(ratio "$OURS" "${DUCK[default]}")"
