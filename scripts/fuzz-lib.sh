# Shared steps of the fuzz scripts (sourced, not run): the run count of a mode, the build folder,
# the sanitizer flags, objects rebuilt only when stale, and one libFuzzer run over a kept corpus.
# The sourcing script sets `name` (its name in messages) before calling these.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The platform units every fuzzer links.
fuzz_core_units=(Variant DateTime FormatSettings Currency Encoding Lists Object Streams)

# fuzz_mode MODE SHORT LONG USAGE: sets `runs` ("short", "long" or a number); a wrong mode prints
# USAGE and exits 2.
fuzz_mode() {
  case "$1" in
    short) runs=$2 ;;
    long) runs=$3 ;;
    *[!0-9]*|"") echo "usage: $4" >&2; exit 2 ;;
    *) runs=$1 ;;
  esac
}

# fuzz_prepare MODE INCLUDE...: checks the compiler and the native build's generated tables, makes
# build/fuzz/<name without "fuzz-">-MODE/artifacts and sets `cxx`, `out`, `flags` (the sanitizers,
# the platform headers, the generated tables and each INCLUDE folder under the checkout).
fuzz_prepare() {
  local mode=$1 include
  shift
  cxx=${CXX_FUZZ:-clang++}
  command -v "$cxx" >/dev/null || { echo "$name: $cxx is missing" >&2; exit 1; }
  out="$root/build/fuzz/${name#fuzz-}-$mode"
  mkdir -p "$out/artifacts"
  local generated="$root/build/native/generated"
  [ -f "$generated/GbkTable.inc" ] || { echo "$name: build the native target first" >&2; exit 1; }
  flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
         -DVESTREL_FUZZ -I"$root/platform/core")
  for include in "$@"; do flags+=(-I"$root/$include"); done
  flags+=(-I"$generated")
}

# fuzz_objects HEADER...: compiles each of `sources` (and the core units) into `out`, one object
# per source, rebuilt when the source or any HEADER is newer; sets `objects`.
fuzz_objects() {
  local unit src obj header rebuild
  for unit in "${fuzz_core_units[@]}"; do sources+=("$root/platform/core/$unit.cpp"); done
  objects=()
  for src in "${sources[@]}"; do
    obj="$out/$(basename "$src" .cpp).o"
    rebuild=0
    [ -f "$obj" ] && [ ! "$src" -nt "$obj" ] || rebuild=1
    for header in "$@"; do [ "$header" -nt "$obj" ] && rebuild=1; done
    if [ $rebuild = 1 ]; then
      "$cxx" "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" -c "$src" -o "$obj"
    fi
    objects+=("$obj")
  done
}

# fuzz_run LABEL BINARY CORPUS LOG MAX_LEN TIMEOUT RSS_MB: runs BINARY for `runs` inputs over its
# working corpus (CORPUS under `out`) and the kept inputs of tests/core/corpus/CORPUS, writing
# failing inputs to artifacts/ (prefixed LABEL- when LABEL is given) and its output to LOG under
# `out`. Prints the run's figures; on a failure the log's tail, and answers 1.
fuzz_run() {
  local label=$1 binary=$2 corpus=$3 log="$out/$4" max_len=$5 timeout=$6 rss=$7
  local work="$out/corpus${label:+-$label}" prefix="$out/artifacts/${label:+$label-}"
  mkdir -p "$work"
  echo "$name: ${label:+$label, }$runs inputs"
  if ! "$binary" -runs="$runs" -max_len="$max_len" -timeout="$timeout" -rss_limit_mb="$rss" -print_final_stats=1 \
        -artifact_prefix="$prefix" "$work" "$root/tests/core/corpus/$corpus" 2>"$log"; then
    echo "$name: ${label:+$label }FAILED (see $log and $out/artifacts/)" >&2
    tail -40 "$log" >&2
    return 1
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$log" | sed "s/^/  /"
}
