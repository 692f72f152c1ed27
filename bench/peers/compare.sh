#!/usr/bin/env bash
# Runs the same pivots on generated cubes in dravo, sqlite3 and DuckDB, checks
# that the numbers agree, and prints the query times (medians) and our ratio to
# each peer:
#   sum, avg  the one-level table: sum of "Montant" and average of "Prix" by
#             "Produit" × "Mois";
#   deep      the three-level table: "Région", "Ville", "Produit" expanded by
#             "Canal", sum of "Montant" (GROUPING SETS on the peers' side).
# DuckDB runs each query on the axis columns as text and as ENUM (integer-coded
# like our member IDs), with one thread and with its default threads; sqlite3
# runs the one-level queries. Loading is excluded on every side: the peers'
# time is the query alone, ours is the layout and table stages of
# `dravo export --format csv --timing` (one thread).
#
# usage: bench/peers/compare.sh [--sizes "100000 1000000 10000000"] [--runs N]
#   DRAVO=path/to/dravo picks the program (default: the Release build, made
#   with `make build` when missing). sqlite3 is installed with apt-get when
#   missing; DuckDB (@duckdb/node-api) is installed with npm into .cache/peers/.
set -euo pipefail

NAME=compare.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
SIZES="100000 1000000 10000000"
RUNS=5
while [ $# -gt 0 ]; do
  case "$1" in
    --sizes) SIZES="$2"; shift 2 ;;
    --runs) RUNS="$2"; shift 2 ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "compare.sh: unknown argument '$1'" >&2; exit 2 ;;
  esac
done

WORK="$CACHE/work"
mkdir -p "$WORK"
need_dravo

if ! command -v sqlite3 >/dev/null; then
  echo "compare.sh: installing sqlite3" >&2
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get install -y -qq --no-install-recommends sqlite3 >&2
fi
need_duckdb

# sqlite3: loads the CSV, runs each query RUNS times; prints "<query> <median ms>".
sqlite_times() {
  local csv="$1" info="$2" dir="$3" script="$dir/sqlite.sql" q i
  {
    peers schema "$info"
    echo ".import --csv --skip 1 '$csv' items"
    echo ".mode csv"
    for q in sum avg; do
      echo ".print query $q"
      echo ".output '$dir/sqlite-$q.csv'"
      echo ".timer on"
      for i in $(seq "$RUNS"); do peers sql "$q"; done
      echo ".timer off"
      echo ".output stdout"
    done
  } > "$script"
  sqlite3 :memory: < "$script" | awk '
    /^query / { q = $2; n = 0; next }
    /^Run Time: real/ { t[q, n++] = $4 * 1000; c[q] = n }
    END { for (q in c) { m = c[q]; for (i = 0; i < m; i++) v[i] = t[q, i];
            for (i = 0; i < m; i++) for (j = i + 1; j < m; j++) if (v[j] < v[i]) { x = v[i]; v[i] = v[j]; v[j] = x }
            printf "%s %.2f\n", q, v[int(m / 2)] } }'
  # Every run wrote the result; keep one copy.
  for q in sum avg; do
    local lines; lines=$(( $(wc -l < "$dir/sqlite-$q.csv") / RUNS ))
    head -n "$lines" "$dir/sqlite-$q.csv" > "$dir/sqlite-$q.tmp" && mv "$dir/sqlite-$q.tmp" "$dir/sqlite-$q.csv"
  done
}

# dravo: the same pivots through the csv format; prints "<query> <median ms>",
# or nothing when the format is not available.
dravo_times() {
  local cube="$1" dir="$2" q i err t
  for q in sum avg deep; do
    local layout=()
    case "$q" in
      sum) layout=(--rows Produit --cols Mois --value Montant) ;;
      avg) layout=(--rows Produit --cols Mois --value Prix) ;;
      deep) layout=(--rows Région,Ville,Produit --cols Canal --expand-all --value Montant) ;;
    esac
    local times=()
    for i in $(seq "$RUNS"); do
      if ! err=$("$DRAVO" export "$cube" --format csv "${layout[@]}" --timing -o "$dir/dravo-$q-grid.csv" 2>&1 >/dev/null); then
        echo "note: our side is skipped: ${err%%$'\n'*}" >&2
        return 0
      fi
      t=$(sed -n 's/^timing: .* layout \([0-9.]*\) ms, table \([0-9.]*\) ms.*/\1 \2/p' <<< "$err" | awk '{ print $1 + $2 }')
      times+=("$t")
    done
    if [ "$q" = deep ]; then peers deepgrid "$dir/dravo-$q-grid.csv" "$dir/dravo-$q.csv"; else peers grid "$dir/dravo-$q-grid.csv" "$dir/dravo-$q.csv"; fi
    printf '%s\n' "${times[@]}" | sort -g | awk -v q="$q" '{ v[NR] = $1 } END { printf "%s %.2f\n", q, v[int(NR / 2) + 1] }'
  done
}

QUERIES="sum avg deep"
DUCK_RUNS="text,1 enum,1 text,default enum,default"
declare -A SQLITE DUCK OURS
for n in $SIZES; do
  dir="$WORK/$n"
  mkdir -p "$dir"
  echo "== $n items" >&2
  [ -f "$dir/cube.pvc" ] || "$DRAVO" generate --items "$n" --seed 1 -o "$dir/cube.pvc"
  "$DRAVO" info --json "$dir/cube.pvc" > "$dir/info.json"
  [ -f "$dir/data.csv" ] || "$DRAVO" export "$dir/cube.pvc" --format data-csv -o "$dir/data.csv"
  while read -r q t; do SQLITE[$n,$q]=$t; done < <(sqlite_times "$dir/data.csv" "$dir/info.json" "$dir")
  while read -r q v th t; do DUCK[$n,$q,$v,$th]=$t; done < <(peers duckdb "$dir/data.csv" "$dir/info.json" "$dir" "$RUNS")
  while read -r q t; do OURS[$n,$q]=$t; done < <(dravo_times "$dir/cube.pvc" "$dir")
  for q in sum avg; do
    peers agree "$dir/sqlite-$q.csv" "$dir/duckdb-$q.csv" || { echo "compare.sh: sqlite3 and DuckDB disagree ($n items, $q)" >&2; exit 1; }
  done
  for q in $QUERIES; do
    if [ -n "${OURS[$n,$q]:-}" ]; then
      peers agree "$dir/dravo-$q.csv" "$dir/duckdb-$q.csv" || { echo "compare.sh: dravo and DuckDB disagree ($n items, $q)" >&2; exit 1; }
    fi
  done
done

echo
echo "Query times in ms (median of $RUNS runs, loading excluded); ratio = dravo / peer (below 1: dravo is faster)"
echo "  sum, avg: by Produit × Mois; deep: Région, Ville, Produit expanded by Canal. dravo runs on one thread."
printf '%-9s %-6s %9s %9s' items query dravo sqlite3
for d in $DUCK_RUNS; do printf ' %15s' "duck ${d/,/ }"; done
echo
for n in $SIZES; do
  for q in $QUERIES; do
    o="${OURS[$n,$q]:-}"
    printf '%-9s %-6s %9s %9s' "$n" "$q" "${o:-n/a}" "${SQLITE[$n,$q]:--}"
    for d in $DUCK_RUNS; do printf ' %15s' "${DUCK[$n,$q,${d%,*},${d#*,}]:--}"; done
    echo
    printf '%-9s %-6s %9s %9s' "" "ratio" "" "$([ -n "$o" ] && [ -n "${SQLITE[$n,$q]:-}" ] && ratio "$o" "${SQLITE[$n,$q]}" || echo -)"
    for d in $DUCK_RUNS; do
      p="${DUCK[$n,$q,${d%,*},${d#*,}]:-}"
      printf ' %15s' "$([ -n "$o" ] && [ -n "$p" ] && ratio "$o" "$p" || echo -)"
    done
    echo
  done
done
if [ -z "${OURS[*]:-}" ]; then
  echo "(dravo column skipped: this dravo cannot write the pivot csv format yet)"
fi
