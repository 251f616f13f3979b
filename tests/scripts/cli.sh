# The command line: tolvane --help, --version, anything else refused; the
# scripts' own help and usage errors.
source "$(dirname "$0")/lib.sh"

status=0; "$tolvane" --help >out 2>err || status=$?
check "--help exits 0 with a usage on standard output" test $status -eq 0
check "--help starts with Usage" grep -q '^Usage: tolvane' out
check "--help writes nothing on standard error" test ! -s err

status=0; "$tolvane" --version >out 2>err || status=$?
check "--version exits 0" test $status -eq 0
check "--version prints 'tolvane X.Y.Z'" grep -Eqx 'tolvane [0-9]+\.[0-9]+\.[0-9]+' out

for args in "-x" "--versions" "--help extra" "input.in" "--version --help"; do
  # shellcheck disable=SC2086
  status=0; "$tolvane" $args >out 2>err </dev/null || status=$?
  check "'$args' refused with exit status 2" test $status -eq 2
  check "'$args' refused with one line on standard error" test "$(wc -l <err)" -eq 1
  check "'$args' refused without output" test ! -s out
done
check "the refusal names the argument" grep -q "'--versions'" <("$tolvane" --versions 2>&1)

# Without arguments the program is the dialogue, as before.
status=0; printf '7\n' | "$tolvane" >out 2>err || status=$?
check "no argument: the mode question comes first" grep -qx ' Interactive version (1) or read input file(2)?' <(head -n 1 out)
check "no argument: end of input ends the run with status 2" test $status -eq 2

status=0; "$table" --help >out || status=$?
check "tolvane-table --help exits 0" test $status -eq 0
status=0; "$table" --bogus >out 2>err || status=$?
check "tolvane-table refuses an unknown option with status 2" test $status -eq 2
status=0; "$plot" --help >out || status=$?
check "tolvane-plot --help exits 0" test $status -eq 0
status=0; "$plot" -o x.gif in 2>err || status=$?
check "tolvane-plot refuses a picture that is neither PNG nor SVG" test $status -eq 2
finish
