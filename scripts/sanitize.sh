#!/usr/bin/env bash
# The runtime and bookkeeping tests built with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and run headless. Fails on any finding of either sanitizer, also one in a second
# process that a test starts, even when the test itself passes. JOBS sets the parallel jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${JOBS:-$(nproc)}"

cmake -S . -B build-asan -G Ninja -DTAVIK_SANITIZE=ON -DTAVIK_TEST_FOLDERS="runtime;bookkeeping" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" >/dev/null
targets=()
for dir in $(find tests/runtime tests/bookkeeping -name '*_test.cpp' -printf '%h\n' | sort -u); do
  targets+=("test_$(echo "${dir#tests/}" | tr / _)")
done
cmake --build build-asan -j "$jobs" --target "${targets[@]}"

reports="$(mktemp -d)"
trap 'rm -rf "$reports"' EXIT
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
export ASAN_OPTIONS="log_path=$reports/asan:abort_on_error=0:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1"
status=0
(cd build-asan && ctest --output-on-failure -j "$jobs" --timeout 300) || status=$?

if [ -n "$(ls -A "$reports")" ]; then
  echo "Sanitizer findings:"
  for f in "$reports"/*; do
    echo "== $f"
    cat "$f"
  done
  status=1
fi
exit $status
