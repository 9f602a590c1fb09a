#!/usr/bin/env bash
# Runs every fuzzer in turn for SECONDS each (default 30), one process at a time, each from
# its seed corpus. Usage: fuzz/run.sh [SECONDS] [BUILD_DIR]. Findings land in BUILD_DIR/findings.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
seconds="${1:-30}"
build="${2:-$here/../build-fuzz}"
mkdir -p "$build/findings"
status=0
for target in catalog_fuzzer disc_fuzzer search_fuzzer reader_fuzzer gaiji_fuzzer; do
  work="$build/corpus/$target"
  mkdir -p "$work"
  echo "== $target (${seconds}s)"
  "$build/fuzz/$target" -max_total_time="$seconds" -max_len=131072 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
    "$work" "$here/corpus/$target" 2>&1 | grep -E "^(#[0-9]+[[:space:]]+DONE|stat::number|stat::new|==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)" \
    || true
  if ls "$build/findings/$target-"* >/dev/null 2>&1; then status=1; fi
done
exit $status
