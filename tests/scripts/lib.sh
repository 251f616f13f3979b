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
