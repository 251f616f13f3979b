# tolvane-table --cases: any cases, run as tolvane --cases runs them, here or
# in slices (through -S :), a results row each in the list's order; refused
# rows are reported, not fatal, and never dropped, glued or reordered.
source "$(dirname "$0")/lib.sh"

# Results up to the seconds column, which is the clock's.
rows() { cut -d, -f1-13,15- "$1"; }

cat >cases.csv <<'CSV'
kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol
1, 10, 1, 0.9, 1e-6, 1e-8, 0
1,abc,1,0.9,1e-6,1e-8,0
1,10,1,0.9,1e999,1e-8,0
1,10,1
2,10,1,0.95,1e-6,1e-8,0
CSV
"$tolvane" --cases cases.csv >single.csv
for where in here parts; do
  opts=(-j 2 --tolvane "$tolvane"); [ $where = here ] || opts+=("${in_parts[@]}")
  status=0; "$table" "${opts[@]}" --cases cases.csv -o results.csv 2>err.txt || status=$?
  check "$where: case list: exit status 0 with refused rows" test $status -eq 0
  check "$where: case list: a heading and five rows" test "$(wc -l <results.csv)" -eq 6
  row() { sed -n "$(($1 + 1))p" results.csv; }
  check "$where: row 1 has a result" grep -q '^1,10,1,0.9,1e-6,1e-8,0,ok,' <(row 1)
  check "$where: row 2 refused: df is not a number" grep -q "refused,.*df 'abc' is not a number" <(row 2)
  check "$where: row 3 refused by tolvane, with its message" grep -q "refused,.*AdapQuadTol '1e999' is not a number" <(row 3)
  check "$where: row 4 refused: three fields" grep -q 'refused,.*line 5: 3 fields' <(row 4)
  check "$where: row 5 (two-sided) has a result" grep -q '^2,10,1,0.95,1e-6,1e-8,0,ok,' <(row 5)
  # The rows are those one tolvane --cases run writes, in the same order, up to the clock.
  check "$where: the rows of one tolvane --cases run" diff <(rows results.csv) <(rows single.csv)
  check "$where: the last line counts the rows" grep -q '^tolvane: 5 rows: 2 with results, 3 refused, 0 failed$' err.txt
done
check "parts: the list ran in slices" test "$(ls results.csv.parts/*/*.part | wc -l)" -eq 5
status=0; "$table" -j 2 "${in_parts[@]}" --tolvane "$tolvane" --cases cases.csv -o results.csv 2>err.txt || status=$?
check "parts: rerun: nothing runs again" grep -q 'all 5 parts finished before' err.txt
check "parts: rerun: the same rows" diff <(rows results.csv) <(rows single.csv)

# The integral and difference are those the dialogue prints for the case.
printf '1\n1\n10 1 0.9\n1e-6 1e-8 0\n\n' | "$tolvane" >dialogue.txt 2>/dev/null || true
integral=$(awk '/Approx. to integral/ {print $NF}' dialogue.txt)
difference=$(awk '/Difference of approx/ {print $NF}' dialogue.txt)
check "row 1: the dialogue's integral and difference" \
  test "$(row 1 | awk -F, '{ printf "%.10f,%.8E", $9, $10 }')" = "$integral,$difference"
check "row 1: evaluations and seconds" grep -Eq ',ok,[^,]+,[^,]+,,,[1-9][0-9]*,[0-9]+\.[0-9]+,0,0,0,,0.5,11,0$' <(row 1)
check "row 5: both tails, summing to the miss probability" \
  awk -F, '{ d = $11 + $12 - $9; exit !($11 > 0 && $12 > 0 && d < 1e-15 && d > -1e-15) }' <(row 5)

# A case tolvane refuses for its values: the row is refused and carries the reason.
printf '1,-3,1,0.9,1e-6,1e-8,0\n' >refused.csv
status=0; "$table" -q --tolvane "$tolvane" --cases refused.csv -o refused.results.csv 2>err.txt || status=$?
check "a case tolvane refuses: exit status 0" test $status -eq 0
check "a case tolvane refuses: refused with its reason" \
  grep -q '^1,-3,1,0.9,1e-6,1e-8,0,refused,,,,,,,,,,"line 1: df must be a whole number' refused.results.csv

# Rows stay one CSV line whatever they hold: a backslash in a field.
printf '1,C:\\new,1,0.9,1e-6,1e-8,0\n' >odd.csv
status=0; "$table" -q --tolvane "$tolvane" --cases odd.csv -o odd.results.csv 2>/dev/null || status=$?
check "a backslash in a field: one row" test "$(wc -l <odd.results.csv)" -eq 2
check "a backslash in a field: kept as typed" grep -q '^1,C:\\new,1,' odd.results.csv
# A run or a part stopped by the --timeout is named with its reason, and no
# results are written.
# (It answers as tolvane does what is no computation.)
printf '#!/usr/bin/env bash\ncase " $* " in *" --part "*|*" -j "*) exec sleep 30 ;; esac\nexec %q "$@"\n' "$tolvane" >silent-tolvane
chmod +x silent-tolvane
printf '1,10,1,0.9,1e-6,1e-8,0\n' >slow.csv
status=0; "$table" -q --timeout 1 --tolvane ./silent-tolvane --cases slow.csv -o slow.results.csv 2>slow.err || status=$?
check "a run stopped by the --timeout: exit status 1" test $status -eq 1
check "a run stopped by the --timeout: its reason" grep -q '^tolvane-table: stopped after 1 s (--timeout)$' slow.err
check "a run stopped by the --timeout: no results" test ! -e slow.results.csv
status=0; "$table" -q "${in_parts[@]}" --timeout 1 --tolvane ./silent-tolvane --cases slow.csv -o slow.results.csv 2>slow.err || status=$?
check "a part stopped by the --timeout: exit status 1" test $status -eq 1
check "a part stopped by the --timeout: its reason" \
  grep -q '^tolvane-table: part 1 of 1 (rows 1 to 1 of the list) failed: stopped by signal 15 after [0-9]* s (the --timeout, or an interrupt)$' slow.err
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

# A NUL byte in a row, and a list saved as UTF-16: every row comes back
# refused by its line, here and from parts, as tolvane --cases writes them.
printf '1,10,1,0.9,1e-6,1e-8,0\n1,1\000,1,0.9,1e-6,1e-8,0\n1,5,1,0.95,1e-6,1e-8,0\n' >nul.csv
printf 'kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol\n1,10,1,0.9,1e-6,1e-8,0\n1,5,1,0.95,1e-6,1e-8,0\n' |
  iconv -f UTF-8 -t UTF-16 >utf16.csv
for list in nul utf16; do
  "$tolvane" --cases $list.csv >$list.single.csv
  for where in here parts; do
    opts=(--tolvane "$tolvane"); [ $where = here ] || opts+=("${in_parts[@]}")
    status=0; "$table" "${opts[@]}" --cases $list.csv -o $list.$where.csv 2>$list.$where.err || status=$?
    check "$list list, $where: exit status 0" test $status -eq 0
    check "$list list, $where: the rows of one tolvane --cases run" diff <(rows $list.$where.csv) <(rows $list.single.csv)
  done
done
check "a NUL byte: the last line counts every row" grep -q '3 rows: 2 with results, 1 refused, 0 failed' nul.here.err
check "UTF-16: the last line counts every row" grep -Eq '[34] rows: 0 with results, [34] refused, 0 failed' utf16.parts.err
check "a NUL byte: the row refused by its line" grep -q '^1,1.*,refused,.*line 2: holds a NUL byte' nul.parts.csv
check "a NUL byte: the rows around it computed" test "$(grep -c ',ok,' nul.parts.csv)" -eq 2
check "UTF-16: no row dropped" test "$(grep -c ',refused,.*holds a NUL byte' utf16.parts.csv)" -ge 3

# More parts than ten are put together in their order: 2 before 10.
{ echo "kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol"
  for i in $(seq 1 30); do echo "1,$((i + 1)).5,1,0.9,1e-6,1e-8,$i"; done; } >many.csv
"$tolvane" --cases many.csv >many.single.csv
status=0; "$table" -q "${in_parts[@]}" --tolvane "$tolvane" --cases many.csv 2>many.err || status=$?
check "30 parts: exit status 0" test $status -eq 0
check "30 parts: run as 30" test "$(ls many.results.csv.parts/*/*.part | wc -l)" -eq 30
check "30 parts: the rows in the list's order" diff <(rows many.results.csv) <(rows many.single.csv)

# A --limits command that fails: its rows are failed, the run exits 1, and
# the same command run again, when the limits work, runs only the slice that
# had them.
limits=$(dirname "$tolvane")/tolvane-limits
printf '1,abc,1,0.9,1e-6,1e-8,0\n1,10,1,0.9,1e-6,1e-8,0\n' >lim.csv
flaky="[ -e '$work/limits-work' ] || exit 1; exec '$limits'"
for where in here parts; do
  rm -f limits-work
  opts=(--tolvane "$tolvane" --limits "$flaky"); [ $where = here ] || opts+=("${in_parts[@]}")
  status=0; "$table" "${opts[@]}" --cases lim.csv 2>lim.err || status=$?
  check "$where: failing --limits: exit status 1" test $status -eq 1
  check "$where: failing --limits: the row is failed, with the reason" \
    grep -q "^1,10,1,0.9,1e-6,1e-8,0,failed,.*limit command .* exited with status 1" lim.results.csv
  check "$where: failing --limits: counted" grep -q '2 rows: 0 with results, 1 refused, 1 failed' lim.err
  touch limits-work
  status=0; "$table" "${opts[@]}" --cases lim.csv 2>lim.err || status=$?
  check "$where: rerun, limits working: exit status 0" test $status -eq 0
  check "$where: rerun, limits working: the row has its result" grep -q '^1,10,1,0.9,1e-6,1e-8,0,ok,' lim.results.csv
done
check "parts: rerun, limits working: only the failed slice ran again" \
  test "$(awk -F'\t' 'NR > 1' lim.results.csv.parts/*/joblog | wc -l)" -eq 3

# Results named like a directory or like the list itself: nothing is lost.
mkdir outdir; cp cases.csv same.csv
status=0; "$table" -q --tolvane "$tolvane" --cases cases.csv -o outdir 2>/dev/null || status=$?
check "results named like a directory: exit status 2" test $status -eq 2
check "results named like a directory: nothing hidden inside it" test -z "$(ls -A outdir)"
status=0; "$table" -q --tolvane "$tolvane" --cases same.csv -o same.csv 2>/dev/null || status=$?
check "results named like the case list: exit status 2" test $status -eq 2
check "results named like the case list: the list kept" cmp same.csv cases.csv
finish
