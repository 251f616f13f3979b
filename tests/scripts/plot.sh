# tolvane-plot draws a picture from a report of each kind and from a results CSV.
source "$(dirname "$0")/lib.sh"

printf '1\n5 6\n1 2\n1e-6 1e-8 0\none.rep\n1 3\n' >one.in
printf '2\n6 6\n4 4\n1e-6 1e-8 0\ntwo.rep\n2 2\n' >two.in
single_run run-one one.in && cp run-one/one.rep .
single_run run-two two.in && cp run-two/two.rep .

png_ok() { [ -s "$1" ] && [ "$(head -c 4 "$1" | od -An -c | tr -d ' ')" = '211PNG' ]; }
svg_ok() { [ -s "$1" ] && grep -q '<svg' "$1" && grep -q '<path' "$1"; }

check "one-sided report to PNG" "$plot" -o one.png one.rep
check "the PNG is a PNG" png_ok one.png
check "two-sided report to SVG" "$plot" -o two.svg two.rep
check "the SVG is a drawing" svg_ok two.svg
check "linear scale on request" "$plot" --scale linear -o one-linear.svg one.rep
check "the linear SVG is a drawing" svg_ok one-linear.svg
check "a title with a backslash" "$plot" --title 'C:\new' -o title.svg one.rep
check "the title as typed" grep -qF 'C:\new' title.svg

cat >results.csv <<'CSV'
kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,status,integral,difference,evaluations,seconds,message
1,10,1,0.9,1e-6,1e-8,0,ok,0.0999990939,-9.06082536E-07,,0.037,
1,10,1,0.95,1e-6,1e-8,0,ok,0.0499990939,-8.1E-07,,0.037,
2,10,1,0.95,1e-6,1e-8,0,ok,0.050000315,3.1498012E-07,,1.021,
1,abc,1,0.9,1e-6,1e-8,0,refused,,,,,"df 'abc' is not a number, so no case"
CSV
check "results CSV to PNG" "$plot" -o results.png results.csv
check "the PNG of the results is a PNG" png_ok results.png

printf 'not a report\n' >junk.txt
status=0; "$plot" -o junk.png junk.txt 2>err.txt || status=$?
check "a file that is no report is refused with status 2" test $status -eq 2
check "the refusal says why" grep -q 'neither a tolvane report' err.txt
finish
