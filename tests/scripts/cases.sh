# tolvane-table --cases: any cases through the dialogue, a results row each;
# refused rows are reported, not fatal.
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
check "row 3 refused by the dialogue, with its message" grep -q 'refused,.*bad real number' <(row 3)
check "row 4 refused: three fields" grep -q 'refused,.*has 3 fields' <(row 4)
check "row 5 (two-sided) has a result" grep -q '^2,10,1,0.95,1e-6,1e-8,0,ok,' <(row 5)

# The integral and difference are those the dialogue prints for the case.
printf '1\n1\n10 1 0.9\n1e-6 1e-8 0\n\n' | "$tolvane" >dialogue.txt 2>/dev/null || true
integral=$(awk '/Approx. to integral/ {print $NF}' dialogue.txt)
difference=$(awk '/Difference of approx/ {print $NF}' dialogue.txt)
check "row 1: the dialogue's integral and difference" \
  test "$(row 1 | cut -d, -f9,10)" = "$integral,$difference"
check "row 1: seconds" grep -Eq ',ok,[^,]+,[^,]+,,[0-9]+\.[0-9]{3},' <(row 1)
check "the summary counts the rows" grep -q '5 rows: 2 with results, 3 refused, 0 failed' err.txt

status=0; "$table" -j 2 --tolvane "$tolvane" --cases cases.csv -o results.csv 2>err.txt || status=$?
check "case list rerun: nothing runs again" grep -q 'all 5 cases finished before' err.txt

# A dialogue that refuses a case with a record of its own and goes on to "Hit
# enter to continue": the row is refused and carries that record.
cat >refusing-tolvane <<'SH'
#!/usr/bin/env bash
read -r mode; echo " Verify one(1) or two(2)-sided limits?"
read -r kind; echo " Enter df, sigma, alpha"
read -r values; echo " Enter AdapQuadTolerance(1e-6),FunctionTolerance(1e-8),ResultTol(0)"
read -r tolerances
echo " df must be positive; this case is not verified"
echo " Hit enter to continue"
read -r _
echo " Verify one(1) or two(2)-sided limits?"
read -r _ || { echo "tolvane: standard input: end of input while reading an integer" >&2; exit 2; }
SH
chmod +x refusing-tolvane
printf '1,-3,1,0.9,1e-6,1e-8,0\n' >refused.csv
status=0; "$table" -q --tolvane ./refusing-tolvane --cases refused.csv -o refused.results.csv 2>err.txt || status=$?
check "a case the dialogue refuses: exit status 0" test $status -eq 0
check "a case the dialogue refuses: refused with its record" \
  grep -q '^1,-3,1,0.9,1e-6,1e-8,0,refused,,,,,df must be positive; this case is not verified$' refused.results.csv

# Rows stay one CSV line of 13 fields whatever they hold: a backslash in a
# field, and a failure reason with a comma in it (the --timeout's), quoted.
printf '1,C:\\new,1,0.9,1e-6,1e-8,0\n' >odd.csv
status=0; "$table" -q --tolvane "$tolvane" --cases odd.csv -o odd.results.csv 2>/dev/null || status=$?
check "a backslash in a field: one row" test "$(wc -l <odd.results.csv)" -eq 2
check "a backslash in a field: kept as typed" grep -q '^1,C:\\new,1,' odd.results.csv
printf '#!/usr/bin/env bash\nexec sleep 30\n' >silent-tolvane && chmod +x silent-tolvane
printf '1,10,1,0.9,1e-6,1e-8,0\n' >slow.csv
status=0; "$table" -q --timeout 1 --tolvane ./silent-tolvane --cases slow.csv -o slow.results.csv 2>/dev/null || status=$?
check "a row stopped by the --timeout: exit status 1" test $status -eq 1
check "a row stopped by the --timeout: its reason quoted" \
  grep -q '^1,10,1,0.9,1e-6,1e-8,0,failed,,,,,"stopped by signal 15 after [0-9]* s (the --timeout, or an interrupt)"$' slow.results.csv
finish
