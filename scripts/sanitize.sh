#!/usr/bin/env bash
# The runtime and bookkeeping tests built with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and run headless. Fails on any finding of either sanitizer, also one in a second
# process that a test starts, even when the test itself passes. JOBS sets the parallel jobs. The
# uninstall tests are left out: they need the installer package, which is built with the manual.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${JOBS:-$(nproc)}"

folders=()
targets=()
for dir in $(find tests/runtime tests/bookkeeping -name '*_test.cpp' -printf '%h\n' | sort -u); do
  [ "$dir" = tests/bookkeeping/uninstall ] && continue
  folders+=("${dir#tests/}")
  targets+=("test_$(echo "${dir#tests/}" | tr / _)")
done
cmake -S . -B build-asan -G Ninja -DTAVIK_SANITIZE=ON -DTAVIK_TEST_FOLDERS="$(IFS=';'; echo "${folders[*]}")" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" >/dev/null
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

# AddressSanitizer notes once per process that it sees the coroutines' stack switches; the switches
# are announced to it, so that note alone is no finding.
for f in "$reports"/*; do
  [ -e "$f" ] || continue
  if grep -qv "ASan doesn't fully support makecontext/swapcontext" "$f"; then
    echo "== sanitizer finding: $f"
    cat "$f"
    status=1
  fi
done
[ $status -eq 0 ] && echo "Sanitizer run clean."
exit $status
