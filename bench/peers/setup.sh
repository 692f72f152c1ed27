# Sourced by the peer comparisons: where things live, the dravo program under
# test (the Release build, made when missing), DuckDB installed on demand into
# .cache/peers/, and the small number helpers both print with.
# The caller sets NAME (its own name, for messages) before sourcing.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
HERE="$ROOT/bench/peers"
CACHE="$ROOT/.cache/peers"
export PEERS_NODE_PREFIX="$CACHE/node"
mkdir -p "$PEERS_NODE_PREFIX"

DRAVO="${DRAVO:-$ROOT/build/tools/dravo/dravo}"
need_dravo() {
  if [ ! -x "$DRAVO" ]; then
    echo "$NAME: building dravo (make build)" >&2
    make -C "$ROOT" build >&2
  fi
}

need_duckdb() {
  command -v node >/dev/null || { echo "$NAME: node is needed for DuckDB (@duckdb/node-api)" >&2; exit 1; }
  if [ ! -d "$PEERS_NODE_PREFIX/node_modules/@duckdb/node-api" ]; then
    echo "$NAME: installing @duckdb/node-api into $PEERS_NODE_PREFIX" >&2
    npm install --no-audit --no-fund --silent --prefix "$PEERS_NODE_PREFIX" @duckdb/node-api >&2
  fi
}

peers() { node "$HERE/peers.mjs" "$@"; }
# Our time over the peer's, "-" when the peer's is not known.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
# The median of numbers read one per line.
median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.1f", v[int((NR + 1) / 2)] }'; }
