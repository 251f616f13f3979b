# The command line: tolvane and tolvane-limits --help (-h), --version, anything
# else refused with one line that starts with the program's name; the scripts'
# own help and usage errors; the hint on an input-file name cut at a slash.
source "$(dirname "$0")/lib.sh"
limits=$(cd "$OLDPWD" && realpath "$build/tolvane-limits")

status=0; "$tolvane" --help >out 2>err || status=$?
check "--help exits 0 with a usage on standard output" test $status -eq 0
check "--help starts with Usage" grep -q '^Usage: tolvane' out
check "--help writes nothing on standard error" test ! -s err

status=0; "$tolvane" -h >out 2>err || status=$?
check "-h exits 0 with the usage of --help" test $status -eq 0
check "-h prints what --help prints" diff out <("$tolvane" --help)

status=0; "$tolvane" --version >out 2>err || status=$?
check "--version exits 0" test $status -eq 0
check "--version prints 'tolvane X.Y.Z'" grep -Eqx 'tolvane [0-9]+\.[0-9]+\.[0-9]+' out

for args in "-x" "--versions" "--help extra" "input.in" "--version --help" "-h -h" "--limits" \
            "--limits-timeout 5" "--limits cat --limits-timeout 0"; do
  # shellcheck disable=SC2086
  status=0; "$tolvane" $args >out 2>err </dev/null || status=$?
  check "'$args' refused with exit status 2" test $status -eq 2
  check "'$args' refused with one line on standard error" test "$(wc -l <err)" -eq 1
  check "'$args' refused without output" test ! -s out
  check "'$args' refused by a line that names the program" grep -q '^tolvane: ' err
done
check "the refusal names the argument" grep -q "'--versions'" <("$tolvane" --versions 2>&1)

# Without arguments the program is the dialogue, as before.
status=0; printf '7\n' | "$tolvane" >out 2>err || status=$?
check "no argument: the mode question comes first" grep -qx ' Interactive version (1) or read input file(2)?' <(head -n 1 out)
check "no argument: end of input ends the run with status 2" test $status -eq 2

# tolvane-limits: the same options, the same one-line refusals.
for opt in -h --help; do
  status=0; "$limits" $opt >out 2>err </dev/null || status=$?
  check "tolvane-limits $opt exits 0" test $status -eq 0
  check "tolvane-limits $opt prints its usage" grep -q '^Usage: tolvane-limits' out
  check "tolvane-limits $opt writes nothing on standard error" test ! -s err
done
status=0; "$limits" --version >out 2>err </dev/null || status=$?
check "tolvane-limits --version exits 0" test $status -eq 0
check "tolvane-limits --version prints 'tolvane-limits X.Y.Z'" grep -Eqx 'tolvane-limits [0-9]+\.[0-9]+\.[0-9]+' out
check "tolvane and tolvane-limits have one version" \
  test "$(cut -d' ' -f2 out)" = "$("$tolvane" --version | cut -d' ' -f2)"
for args in "-x" "--versions" "--help extra" "--version --help" "--function-tol" \
            "--function-tol x" "--function-tol -1e-8" "--result-tol nan" "request.txt"; do
  # shellcheck disable=SC2086
  status=0; echo '1 14 0.4272 0.95 0.5 15 0' | "$limits" $args >out 2>err || status=$?
  check "tolvane-limits '$args' refused with exit status 2" test $status -eq 2
  check "tolvane-limits '$args' refused with one line" test "$(wc -l <err)" -eq 1
  check "tolvane-limits '$args': the line names the program" grep -q '^tolvane-limits: ' err
  check "tolvane-limits '$args' refused without answering" test ! -s out
done
check "tolvane-limits: the refusal names the argument" grep -q "'--versions'" <("$limits" --versions 2>&1)
status=0; echo '1 14 0.4272 0.95 0.5 15 0' | "$limits" --function-tol 1e-10 --result-tol 0 >out || status=$?
check "tolvane-limits takes its two options" test $status -eq 0 -a "$(wc -w <out)" -eq 2

# An input-file name is read free-form, where an unquoted slash ends the value:
# the name that is left gets the hint to quote, as an absolute path does.
mkdir -p adir
for name in ../run1/quick-one-sided.in run1/x.in adir/x.in; do
  status=0; printf '2\n%s\n' "$name" | "$tolvane" >out 2>err || status=$?
  check "'$name': exit status 2" test $status -eq 2
  check "'$name': one line on standard error" test "$(wc -l <err)" -eq 1
  check "'$name': the line says to quote the name" grep -q '^tolvane: .*: cannot open the input file: .*(the name read ends at a slash: quote a name with blanks, commas or slashes)$' err
done
check "the cut name is the part before the slash" grep -q '^tolvane: \.\.: ' \
  <(printf '2\n../run1/x.in\n' | "$tolvane" 2>&1 >/dev/null)
for name in "'../run1/x.in'" nosuch.in adir "nosuch.in / a comment"; do
  status=0; printf '2\n%s\n' "$name" | "$tolvane" >out 2>err || status=$?
  check "$name: exit status 2, and no hint where no slash cut the name" \
    bash -c "test $status -eq 2 && grep -q 'cannot open the input file' err && ! grep -q 'quote' err"
done

status=0; "$table" --help >out || status=$?
check "tolvane-table --help exits 0" test $status -eq 0
status=0; "$table" --bogus >out 2>err || status=$?
check "tolvane-table refuses an unknown option with status 2" test $status -eq 2
status=0; "$plot" --help >out || status=$?
check "tolvane-plot --help exits 0" test $status -eq 0
status=0; "$plot" -o x.gif in 2>err || status=$?
check "tolvane-plot refuses a picture that is neither PNG nor SVG" test $status -eq 2
finish
