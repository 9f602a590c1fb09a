#!/usr/bin/env bash
# Runs fuzzers in turn for SECONDS each (default 30), one process at a time, each from its
# seed corpus. Usage: fuzz/run.sh [SECONDS] [BUILD_DIR] [TARGET...] (default: all seven).
# Findings land in BUILD_DIR/findings, each run's whole output in BUILD_DIR/logs.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
seconds="${1:-30}"
build="${2:-$here/../build-fuzz}"
shift $(( $# < 2 ? $# : 2 ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(catalog_fuzzer disc_fuzzer search_fuzzer reader_fuzzer gaiji_fuzzer
                                     writer_fuzzer viewer_fuzzer)
mkdir -p "$build/findings" "$build/logs"
# Undefined behaviour stops the run as a memory error does, so that it leaves an input.
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
status=0
for target in "${targets[@]}"; do
  if [ ! -x "$build/fuzz/$target" ]; then
    echo "== $target: not built"
    status=1
    continue
  fi
  work="$build/corpus/$target"
  mkdir -p "$work"
  echo "== $target (${seconds}s)"
  "$build/fuzz/$target" -max_total_time="$seconds" -max_len=131072 -timeout=25 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
    "$work" "$here/corpus/$target" >"$build/logs/$target.log" 2>&1 || true
  grep -E "^(#[0-9]+[[:space:]]+DONE|stat::number|stat::new|==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written|[a-z]+_fuzzer: |.*runtime error)" \
    "$build/logs/$target.log" || true
  # A slow unit is only reported: on a loaded machine any unit can be.
  if ls "$build/findings/$target-"{crash,leak,timeout,oom}-* >/dev/null 2>&1; then status=1; fi
done
exit $status
