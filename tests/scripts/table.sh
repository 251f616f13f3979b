# tolvane-table on a small one-sided and a small two-sided table with -j 2,
# here and in parts (-S :): report, terminal output and tolvane.int as one
# tolvane process writes them, clock fields masked.
source "$(dirname "$0")/lib.sh"

for where in here parts; do
  opts=(-q -j 2 --tolvane "$tolvane"); [ $where = here ] || opts+=("${in_parts[@]}")
  # One-sided: four parts of three cases.
  printf '1\n5 6\n1 2\n1e-6 1e-8 0\none.rep\n1 3\n' >one.in
  single_run single-one one.in
  mkdir par-one-$where && cp one.in par-one-$where/
  status=0; (cd par-one-$where && "$table" "${opts[@]}" --split df one.in >terminal.txt) || status=$?
  check "$where: one-sided table: exit status 0" test $status -eq 0
  check "$where: one-sided table: report as one run's" same_masked single-one/one.rep par-one-$where/one.rep
  check "$where: one-sided table: terminal output as one run's" same_masked single-one/terminal.txt par-one-$where/terminal.txt
  check "$where: one-sided table: twelve case lines" test "$(grep -c 'min\.' par-one-$where/one.rep)" -eq 12

  # No sigma record, names quoted, values spread and separated by commas: the
  # sigma message comes once, where one run writes it.
  printf "1\n6,\n6\n1 1 trailing words\n1e-6, 1e-8, 0\n'sub dir.rep'\n" >nosig.in
  single_run single-nosig nosig.in
  mkdir par-nosig-$where && cp nosig.in par-nosig-$where/
  status=0; (cd par-nosig-$where && "$table" "${opts[@]}" nosig.in >terminal.txt) || status=$?
  check "$where: no sigma record: exit status 0" test $status -eq 0
  check "$where: no sigma record: one message" test "$(grep -c 'Error reading sigmas' par-nosig-$where/terminal.txt)" -eq 1
  check "$where: no sigma record: terminal output as one run's" same_masked single-nosig/terminal.txt par-nosig-$where/terminal.txt
  check "$where: no sigma record: report as one run's" same_masked "single-nosig/sub dir.rep" "par-nosig-$where/sub dir.rep"

  # Two-sided: a part per case, and tolvane.int too.
  cp "$src/examples/small-two-sided.in" two.in
  single_run single-two two.in
  mkdir par-two-$where && cp two.in par-two-$where/
  status=0; (cd par-two-$where && "$table" "${opts[@]}" --split case two.in >terminal.txt) || status=$?
  check "$where: two-sided table: exit status 0" test $status -eq 0
  check "$where: two-sided table: report as one run's" same_masked single-two/small-two-sided.rep par-two-$where/small-two-sided.rep
  check "$where: two-sided table: terminal output as one run's" same_masked single-two/terminal.txt par-two-$where/terminal.txt
  check "$where: two-sided table: tolvane.int as one run's" cmp single-two/tolvane.int par-two-$where/tolvane.int
done

# A file tolvane refuses is refused with tolvane's own messages and status.
printf '3\n1 1\n1 1\n1e-6 1e-8 0\nx.rep\n' >bad.in
single_run single-bad bad.in
status=0; "$table" -q --tolvane "$tolvane" bad.in >bad.out 2>/dev/null || status=$?
check "refused kind: tolvane's exit status 0" test $status -eq 0
check "refused kind: tolvane's own messages" cmp single-bad/terminal.txt bad.out
printf '1\n1 11\n1 1\n1e-6 1e-8 0\nx.rep\n1 1\n' >range.in
status=0; "$table" -q --tolvane "$tolvane" range.in >/dev/null 2>range.err || status=$?
check "index outside the table: tolvane's exit status 2" test $status -eq 2
check "index outside the table: tolvane's message" grep -q 'record 2' range.err
# What tolvane refuses in the values themselves is refused as tolvane refuses it,
# of the user's own file, and nothing is written in place of the report.
long=$(printf 'r%.0s' $(seq 73))
printf '1\n1 1\n1 1\n1e-6 1e-8 0\n%s\n1 1\n' "$long" >long.in
status=0; "$table" -q --tolvane "$tolvane" long.in >/dev/null 2>long.err || status=$?
check "report name over 72 characters: exit status 2" test $status -eq 2
check "report name over 72 characters: tolvane's message" grep -q 'longer than 72 characters' long.err
check "report name over 72 characters: nothing under the cut name" test ! -e "${long:0:72}"
mkdir int && printf '2\n1 1\n4 4\n1e-6 1e-8 0\ntolvane.int\n2 2\n' >int/int.in
echo kept >int/tolvane.int
status=0; (cd int && "$table" -q --tolvane "$tolvane" int.in >/dev/null 2>int.err) || status=$?
check "two-sided report named tolvane.int: exit status 2" test $status -eq 2
check "two-sided report named tolvane.int: tolvane.int untouched" grep -qx kept int/tolvane.int
printf '1\n1 1\n1 1\n0.5 1e-6 0\ntol.rep\n1 1\n' >tol.in
status=0; "$table" -q --tolvane "$tolvane" tol.in >/dev/null 2>tol.err || status=$?
check "tolerance out of range: exit status 2" test $status -eq 2
check "tolerance out of range: the message names the user's file" grep -q '^tolvane: tol.in: record 4: AdapQuadTol' tol.err
status=0; "$table" -q --slurm --tolvane "$tolvane" bad.in >slurm-bad.out 2>slurm-bad.err || status=$?
check "--slurm on a file that selects no table: the run's exit status 0" test $status -eq 0
check "--slurm on a file that selects no table: the run's own messages" cmp single-bad/terminal.txt slurm-bad.out
# A file tolvane refuses gets tolvane's one-line refusal, not its banner.
status=0; "$table" -q --slurm --tolvane "$tolvane" long.in >long.out 2>slurm-long.err || status=$?
check "--slurm on a refused file: exit status 2" test $status -eq 2
check "refused file: tolvane's one line only" test "$(cat slurm-long.err)" = \
  "tolvane: long.in: record 5, line 5: the report file name is longer than 72 characters"
check "refused file: no banner" test ! -s long.out

# Limits asked of the program's own limits command give the same results; a
# command that fails loses its cases: the run says so as tolvane does, and
# exits 1; in parts, the parts are named with tolvane's status 3.
limits=$(dirname "$tolvane")/tolvane-limits
for where in here parts; do
  opts=(-q -j 2 --split df --tolvane "$tolvane"); [ $where = here ] || opts+=("${in_parts[@]}")
  mkdir par-limits-$where && cp one.in par-limits-$where/
  status=0; (cd par-limits-$where && "$table" "${opts[@]}" --limits "$limits" one.in >terminal.txt) || status=$?
  check "$where: --limits: exit status 0" test $status -eq 0
  check "$where: --limits: report as one run's" same_masked single-one/one.rep par-limits-$where/one.rep
  mkdir par-badlimits-$where && cp one.in par-badlimits-$where/ && cd par-badlimits-$where
  status=0; "$table" "${opts[@]}" --limits 'exit 1' one.in >terminal.txt 2>err.txt || status=$?
  check "$where: --limits failing: exit status 1" test $status -eq 1
  check "$where: --limits failing: the cases are not reported" test "$(grep -c '^ Case not reported' terminal.txt)" -eq 12
  check "$where: --limits failing: the report holds no case" test "$(grep -c 'min\.' one.rep)" -eq 0
  [ $where = here ] ||
    check "$where: --limits failing: parts named with tolvane's status 3" test "$(grep -c 'failed: exit status 3$' err.txt)" -eq 4
  # Rerun with working limits: the parts of the failed command run again.
  status=0; "$table" "${opts[@]}" --limits "$limits" one.in >terminal.txt 2>err.txt || status=$?
  check "$where: --limits rerun: exit status 0" test $status -eq 0
  check "$where: --limits rerun: report as one run's" same_masked ../single-one/one.rep one.rep
  cd "$work"
done
# Parts computed with other limits are not finished for a Slurm array either.
status=0; (cd par-badlimits-parts && "$table" --slurm --split df --tolvane "$tolvane" --limits 'exit 1' one.in 2>slurm.err) || status=$?
check "--slurm with other limits: exit status 0" test $status -eq 0
check "--slurm with other limits: every part in the array" grep -qx '#SBATCH --array=1-4' par-badlimits-parts/one.in.parts/slurm-array.sh

# The setting and the verdicts reach the cases here and in parts: the report
# as one tolvane run with the same options writes it, tolvane's summary line,
# and its exit status 4 when a case missed.
printf '1\n5 5\n4 4\n1e-4 1e-8 0\nset.rep\n1 3\n' >set.in
mkdir -p set-single && cp set.in set-single/
(cd set-single && printf '2\nset.in\n' | "$tolvane" --lambda 1 --gamma2 df >terminal.txt 2>/dev/null) || true
for where in here parts; do
  mkdir -p "set-$where" && cp set.in "set-$where/"
  opts=(-q --tolvane "$tolvane" --lambda 1 --gamma2 df); [ $where = here ] || opts+=("${in_parts[@]}")
  status=0; (cd "set-$where" && "$table" "${opts[@]}" --max-error 1e-9 set.in >terminal.txt 2>err.txt) || status=$?
  check "$where: --max-error beyond every case: exit status 4" test $status -eq 4
  check "$where: tolvane's summary line" grep -q 'tolvane: 3 of 3 cases beyond 1e-09, worst: ' "set-$where/err.txt"
  check "$where: the setting reached the cases" same_masked set-single/set.rep "set-$where/set.rep"
  check "$where: the report names the setting" grep -q 'Setting: mu=0, lambda=1, gamma-squared=df' "set-$where/set.rep"
done
status=0; "$table" --tolvane "$tolvane" --lambda 1 --cases list.csv >/dev/null 2>err.txt || status=$?
check "--lambda with --cases: refused, status 2" test $status -eq 2

# The command line as the other commands have it: --help, --version, and a
# bad argument refused with one line and exit status 2.
status=0; "$table" --help >help.txt 2>&1 || status=$?
check "--help: exit status 0" test $status -eq 0
check "--help: usage on standard output" grep -q '^Usage: tolvane-table' help.txt
status=0; out=$("$table" --version --tolvane "$tolvane" 2>&1) || status=$?
check "--version: exit status 0" test $status -eq 0
check "--version: the version of the tolvane it runs" test "$out" = "tolvane-table $("$tolvane" --version | sed 's/^tolvane //')"
for bad in --bogus "-j x" "--split nothing" "--connect-timeout 0" "one.in two.in" ""; do
  status=0; "$table" $bad >bad.out 2>bad.err || status=$?
  check "bad arguments '$bad': exit status 2, one line naming the program" \
    test $status -eq 2 -a ! -s bad.out -a "$(grep -c '' bad.err)" -eq 1 -a "$(grep -c '^tolvane-table: ' bad.err)" -eq 1
done
finish
