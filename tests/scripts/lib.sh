# Shared by the script tests: a temporary directory removed at exit, failure
# reports, and the clock masking of scripts/mask-clock.
#   bash TEST.sh TOLVANE SOURCE_DIR [BUILD_DIR]
set -euo pipefail
tolvane=$(realpath "$1")
src=$(realpath "$2")
build=${3:-$(dirname "$tolvane")}
table=$src/scripts/tolvane-table
plot=$src/scripts/tolvane-plot
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvane-script-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0

# Parts through GNU parallel on this machine, with this tolvane.
in_parts=(-S : --remote-tolvane "$tolvane")

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }
finish() { [ $failures -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }; }

# The date record and the minutes fields depend on the clock.
mask() { "$src/scripts/mask-clock" "$1"; }
same_masked() { diff <(mask "$1") <(mask "$2") >&2; }

# One tolvane process over an input file in its own directory DIR: terminal.txt there.
single_run() {
  local dir=$1 input=$2
  mkdir -p "$dir"; cp "$input" "$dir/"
  (cd "$dir" && printf '2\n%s\n' "$(basename "$input")" | "$tolvane" >terminal.txt)
}

# Runs COMMAND with DIR (made, and empty) as a file system of BYTES bytes (a
# multiple of 4096), full once they are written; DIR is emptied again after.
# Where the test may make a mount namespace (root with CAP_SYS_ADMIN) that is
# a tmpfs of that size mounted on DIR there, gone when COMMAND ends; elsewhere
# (a container's root, any user) DIR stays as it is and the preloaded
# tests/preload/enospc.c (TOLVANE_TEST_ENOSPC_LIB, set by CTest) refuses the
# writes under it past BYTES. Either way COMMAND sets up, runs and inspects
# what is in DIR itself, and leaves its findings outside. A shell builtin's
# writes to a file under DIR are not refused by the library (see there).
# TOLVANE_TEST_FULL_DISK=preload takes the library where both could run.
# Status 125, with the reason on standard error, when neither can.
with_full_disk() {
  local dir=$1 bytes=$2 status=0; shift 2
  mkdir -p -- "$dir"
  if [ -n "$(ls -A -- "$dir")" ]; then echo "with_full_disk: $dir is not empty" >&2; return 125; fi
  if [ "${TOLVANE_TEST_FULL_DISK:-}" != preload ] && unshare -m --propagation private true 2>/dev/null; then
    echo "full disk: a tmpfs of $bytes bytes in a mount namespace of its own" >&2
    unshare -m --propagation private -- "$BASH" -c \
      'mount -t tmpfs -o size="$1" tmpfs "$2" || exit 125; shift 2; "$@"' _ "$bytes" "$dir" "$@" || status=$?
    return $status
  fi
  local lib=${TOLVANE_TEST_ENOSPC_LIB:-$build/tests/libtolvane_enospc.so}
  if [ ! -f "$lib" ]; then
    echo "with_full_disk: no mount namespace here, and no $lib to stand in (build the tests)" >&2
    return 125
  fi
  # The library must be seen to refuse before anything is judged by it.
  local probe size
  probe=$(mktemp -d "$work/full-disk-probe.XXXXXX")
  env TOLVANE_TEST_ENOSPC_DIR="$probe" TOLVANE_TEST_ENOSPC_BUDGET=4096 LD_PRELOAD="$lib" \
    dd if=/dev/zero of="$probe/x" bs=4096 count=2 2>/dev/null && status=1
  size=$(stat -c %s -- "$probe/x" 2>/dev/null || echo none)
  rm -rf -- "$probe"
  if [ $status -ne 0 ] || [ "$size" != 4096 ]; then
    echo "with_full_disk: no mount namespace here, and $lib did not refuse a write past 4096 bytes (wrote $size)" >&2
    return 125
  fi
  local why="no mount namespace here"
  [ "${TOLVANE_TEST_FULL_DISK:-}" != preload ] || why="TOLVANE_TEST_FULL_DISK=preload"
  echo "full disk: $bytes bytes under $dir, by the preloaded $lib ($why)" >&2
  env TOLVANE_TEST_ENOSPC_DIR="$(realpath -- "$dir")" TOLVANE_TEST_ENOSPC_BUDGET="$bytes" \
      LD_PRELOAD="$lib${LD_PRELOAD:+:$LD_PRELOAD}" \
      ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" "$@" || status=$?
  find "$dir" -mindepth 1 -delete 2>/dev/null || true
  return $status
}
