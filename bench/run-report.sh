#!/usr/bin/env bash
# The report core against Python 3: the same expression (20 operators, 3 functions) over 1,000,000
# bindings of A, B and C, and the same loop of 1,000,000 rounds. Prints one line per figure:
#   name: ratio R (vestrel A ms, peer B ms)
# Target: ratio <= 1. Environment: VESTREL_BENCH_BUILD (build folder), VESTREL_BENCH_COUNT
# (default 1000000).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESTREL_BENCH_BUILD:-$root/build/bench}
count=${VESTREL_BENCH_COUNT:-1000000}
command -v python3 >/dev/null || { echo "bench: python3 is missing" >&2; exit 1; }

cmake -S "$root" -B "$build" -G Ninja -Wno-dev >/dev/null
cmake --build "$build" --target reportbench >/dev/null
bench="$build/bench/reportbench"

# The peer: Python evaluating a compiled expression with its bindings in a dictionary, and running
# the loop at module level (its names in a dictionary too); best of three, then the result.
peer() {
  python3 - "$1" "$count" <<'PY'
import sys, time
kind, count = sys.argv[1], int(sys.argv[2])
expr = ("(a - b if a > b else b - a) * 2 + max(a, c) / 3 - min(b, c) * 4 + (a + b) * (c - 1) - a / (b + 1) + "
        "c * 3 - b * 2 - c")
loop = "i = 0\ns = 0\nwhile i < %d:\n    s = s + i\n    i = i + 1\n" % count
best, total = None, 0
for _ in range(3):
    start = time.perf_counter()
    if kind == "expression":
        code = compile(expr, "expr", "eval")
        env = {"max": max, "min": min}
        total = 0.0
        for i in range(count):
            env["a"] = i % 97 + 1
            env["b"] = i % 89 + 1
            env["c"] = i % 83 + 1
            total += eval(code, env)
    else:
        env = {}
        exec(compile(loop, "loop", "exec"), env)
        total = env["s"]
    ms = (time.perf_counter() - start) * 1000
    best = ms if best is None or ms < best else best
print("%.1f %.6f" % (best, total))
PY
}

for kind in expression script; do
  read -r ours ourTotal < <("$bench" "$kind" "$count")
  read -r theirs theirTotal < <(peer "$kind")
  if ! awk -v a="$ourTotal" -v b="$theirTotal" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= 1e-6 * (b < 0 ? -b : b) + 1e-6) }'; then
    echo "bench: $kind results differ (vestrel $ourTotal, python $theirTotal)" >&2
    exit 1
  fi
  awk -v n="$kind-$count" -v a="$ours" -v b="$theirs" 'BEGIN { printf "%s: ratio %.2f (vestrel %s ms, peer %s ms)\n", n, a / b, a, b }'
done
