# tolvane-table --cases: any cases, run by tolvane --cases in slices, a
# results row each in the list's order; refused rows are reported, not fatal.
source "$(dirname "$0")/lib.sh"

cat >cases.csv <<'CSV'
kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol
1, 10, 1, 0.9, 1e-6, 1e-8, 0
1,abc,1,0.9,1e-6,1e-8,0
1,10,1,0.9,1e999,1e-8,0
1,10,1
2,10,1,0.95,1e-6,1e-8,0
CSV
status=0; "$table" -j 2 --tolvane "$tolvane" --cases cases.csv -o results.csv 2>err.txt || status=$?
check "case list: exit status 0 with refused rows" test $status -eq 0
check "case list: a heading and five rows" test "$(wc -l <results.csv)" -eq 6
row() { sed -n "$(($1 + 1))p" results.csv; }
check "row 1 has a result" grep -q '^1,10,1,0.9,1e-6,1e-8,0,ok,' <(row 1)
check "row 2 refused: df is not a number" grep -q "refused,.*df 'abc' is not a number" <(row 2)
check "row 3 refused by tolvane, with its message" grep -q "refused,.*AdapQuadTol '1e999' is not a number" <(row 3)
check "row 4 refused: three fields" grep -q 'refused,.*line 5: 3 fields' <(row 4)
check "row 5 (two-sided) has a result" grep -q '^2,10,1,0.95,1e-6,1e-8,0,ok,' <(row 5)

# The integral and difference are those the dialogue prints for the case.
printf '1\n1\n10 1 0.9\n1e-6 1e-8 0\n\n' | "$tolvane" >dialogue.txt 2>/dev/null || true
integral=$(awk '/Approx. to integral/ {print $NF}' dialogue.txt)
difference=$(awk '/Difference of approx/ {print $NF}' dialogue.txt)
check "row 1: the dialogue's integral and difference" \
  test "$(row 1 | awk -F, '{ printf "%.10f,%.8E", $9, $10 }')" = "$integral,$difference"
check "row 1: evaluations and seconds" grep -Eq ',ok,[^,]+,[^,]+,,,[1-9][0-9]*,[0-9]+\.[0-9]+,0,0,0,,0.5,11,0$' <(row 1)
check "row 5: both tails, summing to the miss probability" \
  awk -F, '{ d = $11 + $12 - $9; exit !($11 > 0 && $12 > 0 && d < 1e-15 && d > -1e-15) }' <(row 5)
# The rows are those one tolvane --cases run writes, in the same order, up to the clock.
"$tolvane" --cases cases.csv >single.csv
check "the rows of one tolvane --cases run" \
  diff <(cut -d, -f1-13,15- results.csv) <(cut -d, -f1-13,15- single.csv)
check "the list ran in slices" test "$(ls -d results.csv.parts/part-* | wc -l)" -eq 5
check "the summary counts the rows" grep -q '5 rows: 2 with results, 3 refused, 0 failed' err.txt

status=0; "$table" -j 2 --tolvane "$tolvane" --cases cases.csv -o results.csv 2>err.txt || status=$?
check "case list rerun: nothing runs again" grep -q 'all 5 cases finished before' err.txt

# A case tolvane refuses for its values: the row is refused and carries the reason.
printf '1,-3,1,0.9,1e-6,1e-8,0\n' >refused.csv
status=0; "$table" -q --tolvane "$tolvane" --cases refused.csv -o refused.results.csv 2>err.txt || status=$?
check "a case tolvane refuses: exit status 0" test $status -eq 0
check "a case tolvane refuses: refused with its reason" \
  grep -q '^1,-3,1,0.9,1e-6,1e-8,0,refused,,,,,,,,,,"line 1: df must be a whole number' refused.results.csv

# Rows stay one CSV line whatever they hold: a backslash in a field; a part
# stopped by the --timeout is named with its reason, and no results are
# written while a slice is missing.
printf '1,C:\\new,1,0.9,1e-6,1e-8,0\n' >odd.csv
status=0; "$table" -q --tolvane "$tolvane" --cases odd.csv -o odd.results.csv 2>/dev/null || status=$?
check "a backslash in a field: one row" test "$(wc -l <odd.results.csv)" -eq 2
check "a backslash in a field: kept as typed" grep -q '^1,C:\\new,1,' odd.results.csv
printf '#!/usr/bin/env bash\nexec sleep 30\n' >silent-tolvane && chmod +x silent-tolvane
printf '1,10,1,0.9,1e-6,1e-8,0\n' >slow.csv
status=0; "$table" -q --timeout 1 --tolvane ./silent-tolvane --cases slow.csv -o slow.results.csv 2>slow.err || status=$?
check "a part stopped by the --timeout: exit status 1" test $status -eq 1
check "a part stopped by the --timeout: its reason" \
  grep -q '^tolvane-table: part part-1-of-1 (slice 1 of 1 of the list) failed: stopped by signal 15 after [0-9]* s (the --timeout, or an interrupt)' slow.err
check "a part stopped by the --timeout: no results" test ! -e slow.results.csv

# A byte-order mark and no heading, a quoted comma, an empty field and a row
# short of a field: every row comes back, in its place, none shifted.
printf '\xEF\xBB\xBF1,10,1,0.9,1e-6,1e-8,0\n1,"10,5",1,0.9,1e-6,1e-8,0\n1,,1,0.9,1e-6,1e-8,0\n1,10,1,0.9,1e-6,1e-8\n2,10,1,0.95,1e-6,1e-8,0\n' >odd2.csv
status=0; "$table" -j 2 --tolvane "$tolvane" --cases odd2.csv 2>odd2.err || status=$?
check "awkward list: exit status 0" test $status -eq 0
check "awkward list: five rows" grep -q '5 rows: 2 with results, 3 refused, 0 failed' odd2.err
row() { sed -n "$(($1 + 1))p" odd2.results.csv; }
check "awkward list: the first case after the byte-order mark" grep -Eq '^1,10,1,0.9,1e-6,1e-8,0,ok,[^,]+,[^,]+,,,[1-9]' <(row 1)
check "awkward list: a quoted comma stays in its field" grep -q '^1,"10,5",1,0.9,1e-6,1e-8,0,refused,' <(row 2)
check "awkward list: an empty field keeps its place" grep -q '^1,,1,0.9,1e-6,1e-8,0,refused,' <(row 3)
check "awkward list: a short row refused by its line" grep -q '^1,10,1,0.9,1e-6,1e-8,,refused,.*line 4: 6 fields' <(row 4)
check "awkward list: the two-sided case last" grep -q '^2,10,1,0.95,1e-6,1e-8,0,ok,' <(row 5)

# A --limits command that fails: its rows are failed, the run exits 1, and
# the same command run again, when the limits work, runs only the slice that
# had them.
limits=$(dirname "$tolvane")/tolvane-limits
printf '1,abc,1,0.9,1e-6,1e-8,0\n1,10,1,0.9,1e-6,1e-8,0\n' >lim.csv
flaky="[ -e '$work/limits-work' ] || exit 1; exec '$limits'"
status=0; "$table" --tolvane "$tolvane" --limits "$flaky" --cases lim.csv 2>lim.err || status=$?
check "failing --limits: exit status 1" test $status -eq 1
check "failing --limits: the row is failed, with the reason" \
  grep -q "^1,10,1,0.9,1e-6,1e-8,0,failed,.*limit command .* exited with status 1" lim.results.csv
check "failing --limits: counted" grep -q '2 rows: 0 with results, 1 refused, 1 failed' lim.err
touch limits-work
status=0; "$table" --tolvane "$tolvane" --limits "$flaky" --cases lim.csv 2>lim.err || status=$?
check "rerun, limits working: exit status 0" test $status -eq 0
check "rerun, limits working: only the failed slice ran again" grep -q '1 of 2 cases finished before; running the other 1 parts' lim.err
check "rerun, limits working: the row has its result" grep -q '^1,10,1,0.9,1e-6,1e-8,0,ok,' lim.results.csv

# The last line counts the two-sided searches' notes, and says where they are.
cat >noting-tolvane <<SH
#!/usr/bin/env bash
echo "  Upward walk reached MaxIter in SecantBis...  Using bisection" >&2
exec "$tolvane" "\$@"
SH
chmod +x noting-tolvane
status=0; "$table" --tolvane ./noting-tolvane --cases lim.csv -o notes.csv 2>notes.err || status=$?
check "search notes: exit status 0" test $status -eq 0
check "search notes: counted on the last line, with where they are" \
  grep -q 'search notes: 2 "Upward walk ...", 0 "Downward walk ..." (full text in .*/notes.txt)' <(tail -n 1 notes.err)

# Results named like a directory or like the list itself: nothing is lost.
mkdir outdir; cp cases.csv same.csv
status=0; "$table" -q --tolvane "$tolvane" --cases cases.csv -o outdir 2>/dev/null || status=$?
check "results named like a directory: exit status 1" test $status -eq 1
check "results named like a directory: nothing hidden inside it" test -z "$(ls -A outdir)"
status=0; "$table" -q --tolvane "$tolvane" --cases same.csv -o same.csv 2>/dev/null || status=$?
check "results named like the case list: exit status 2" test $status -eq 2
check "results named like the case list: the list kept" cmp same.csv cases.csv
finish
