# tolvane-table on a small one-sided and a small two-sided table with -j 2:
# report, terminal output and tolvane.int as one tolvane process writes them,
# clock fields masked.
source "$(dirname "$0")/lib.sh"

# One-sided: four parts of three cases.
printf '1\n5 6\n1 2\n1e-6 1e-8 0\none.rep\n1 3\n' >one.in
single_run single-one one.in
mkdir par-one && cp one.in par-one/
status=0; (cd par-one && "$table" -q -j 2 --split df --tolvane "$tolvane" one.in >terminal.txt) || status=$?
check "one-sided table: exit status 0" test $status -eq 0
check "one-sided table: report as one run's" same_masked single-one/one.rep par-one/one.rep
check "one-sided table: terminal output as one run's" same_masked single-one/terminal.txt par-one/terminal.txt
check "one-sided table: twelve case lines" test "$(grep -c 'min\.' par-one/one.rep)" -eq 12

# No sigma record, names quoted, values spread and separated by commas: the
# sigma message comes once, where one run writes it.
printf "1\n6,\n6\n1 1 trailing words\n1e-6, 1e-8, 0\n'sub dir.rep'\n" >nosig.in
single_run single-nosig nosig.in
mkdir par-nosig && cp nosig.in par-nosig/
status=0; (cd par-nosig && "$table" -q -j 2 --tolvane "$tolvane" nosig.in >terminal.txt) || status=$?
check "no sigma record: exit status 0" test $status -eq 0
check "no sigma record: one message" test "$(grep -c 'Error reading sigmas' par-nosig/terminal.txt)" -eq 1
check "no sigma record: terminal output as one run's" same_masked single-nosig/terminal.txt par-nosig/terminal.txt
check "no sigma record: report as one run's" same_masked "single-nosig/sub dir.rep" "par-nosig/sub dir.rep"

# Two-sided: a part per case, and tolvane.int too.
cp "$src/examples/small-two-sided.in" two.in
single_run single-two two.in
mkdir par-two && cp two.in par-two/
status=0; (cd par-two && "$table" -q -j 2 --tolvane "$tolvane" two.in >terminal.txt) || status=$?
check "two-sided table: exit status 0" test $status -eq 0
check "two-sided table: report as one run's" same_masked single-two/small-two-sided.rep par-two/small-two-sided.rep
check "two-sided table: terminal output as one run's" same_masked single-two/terminal.txt par-two/terminal.txt
check "two-sided table: tolvane.int as one run's" cmp single-two/tolvane.int par-two/tolvane.int

# A file tolvane refuses is run as one process, with tolvane's own messages and status.
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
status=0; "$table" -q --slurm --tolvane "$tolvane" bad.in >/dev/null 2>slurm-one.err || status=$?
check "--slurm on a file only one process can run: exit status 2" test $status -eq 2
check "--slurm on a file only one process can run: says so" grep -q 'without --slurm or --merge' slurm-one.err
# A file tolvane refuses gets tolvane's one-line refusal, not its banner.
status=0; "$table" -q --slurm --tolvane "$tolvane" long.in >long.out 2>slurm-long.err || status=$?
check "--slurm on a refused file: exit status 2" test $status -eq 2
check "refused file: tolvane's one line only" test "$(cat slurm-long.err)" = \
  "tolvane: long.in: record 5, line 5: the report file name is longer than 72 characters"
check "refused file: no banner" test ! -s long.out

# Limits asked of the program's own limits command give the same results; a
# command that fails loses its part, which is named, and no report is written.
limits=$(dirname "$tolvane")/tolvane-limits
mkdir par-limits && cp one.in par-limits/
status=0; (cd par-limits && "$table" -q -j 2 --split df --tolvane "$tolvane" --limits "$limits" one.in >terminal.txt) || status=$?
check "--limits: exit status 0" test $status -eq 0
check "--limits: report as one run's" same_masked single-one/one.rep par-limits/one.rep
mkdir par-badlimits && cp one.in par-badlimits/
status=0; (cd par-badlimits && "$table" -q -j 2 --split df --tolvane "$tolvane" --limits 'exit 1' one.in >terminal.txt 2>err.txt) || status=$?
check "--limits failing: exit status 1" test $status -eq 1
check "--limits failing: parts named with tolvane's status 3" grep -q 'exit status 3' par-badlimits/err.txt
check "--limits failing: no report" test ! -e par-badlimits/one.rep
# Rerun with working limits: the parts of the failed command run again.
status=0; (cd par-badlimits && "$table" -q -j 2 --split df --tolvane "$tolvane" --limits "$limits" one.in >terminal.txt 2>err.txt) || status=$?
check "--limits rerun: exit status 0" test $status -eq 0
check "--limits rerun: report as one run's" same_masked single-one/one.rep par-badlimits/one.rep
# Parts computed with other limits are not finished for a Slurm array either.
status=0; (cd par-badlimits && "$table" --slurm --split df --tolvane "$tolvane" --limits 'exit 1' one.in 2>slurm.err) || status=$?
check "--slurm with other limits: exit status 0" test $status -eq 0
check "--slurm with other limits: every part in the array" grep -qx '#SBATCH --array=1-4' par-badlimits/one.rep.parts/slurm-array.sh


# The last line counts the two-sided searches' notes and the fault records of
# the terminal output, which itself stays as the parts wrote it.
cat >noting-tolvane <<SH
#!/usr/bin/env bash
"$tolvane" "\$@"; s=\$?
if [ \$# -eq 0 ] && [ "\$(basename "\$PWD")" != head ]; then
  echo "  Upward walk reached MaxIter in SecantBis...  Using bisection"
  echo "  Downward walk reached MaxIter in SecantBis...  Using bisection"
  echo " Limit fault: no number for the limit at 3 points, s from 1 to 2"
fi
exit \$s
SH
chmod +x noting-tolvane
mkdir notes && cp two.in notes/
status=0; (cd notes && "$table" -q -j 2 --tolvane ../noting-tolvane two.in >terminal.txt 2>err.txt) || status=$?
check "notes: exit status 0" test $status -eq 0
check "notes: in the terminal output as written" test "$(grep -c 'walk reached MaxIter' notes/terminal.txt)" -eq 4
check "notes: counted on the last line, with where they are" \
  grep -q '^tolvane-table: 2 cases; search notes: 2 "Upward walk ...", 2 "Downward walk ..."; records: 2 of limit faults, 0 of cases outside the measured domain; full text in the terminal output, kept in .*/terminal.txt$' <(tail -n 1 notes/err.txt)

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
