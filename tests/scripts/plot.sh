# tolvane-plot draws a picture from a report of each kind and from a results CSV.
source "$(dirname "$0")/lib.sh"

printf '1\n5 6\n1 2\n1e-6 1e-8 0\none.rep\n1 3\n' >one.in
printf '2\n6 6\n4 4\n1e-6 1e-8 0\ntwo.rep\n2 2\n' >two.in
single_run run-one one.in && cp run-one/one.rep .
single_run run-two two.in && cp run-two/two.rep .

png_ok() { [ -s "$1" ] && [ "$(head -c 4 "$1" | od -An -c | tr -d ' ')" = '211PNG' ]; }
svg_ok() { [ -s "$1" ] && grep -q '<svg' "$1" && grep -q '<path' "$1" && tail -n 3 "$1" | grep -q '</svg>'; }
# No leftover temporary picture beside the real one.
no_temp() { ! ls -A "${1:-.}" | grep -q '^\.tolvane-plot\.'; }

check "one-sided report to PNG" "$plot" -o one.png one.rep
check "the PNG is a PNG" png_ok one.png
check "two-sided report to SVG" "$plot" -o two.svg two.rep
check "the SVG is a drawing" svg_ok two.svg
check "linear scale on request" "$plot" --scale linear -o one-linear.svg one.rep
check "the linear SVG is a drawing" svg_ok one-linear.svg
check "a title with a backslash" "$plot" --title 'C:\new' -o title.svg one.rep
check "the title as typed" grep -qF 'C:\new' title.svg
check "no temporary picture left behind" no_temp

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

# --- The axis says what is plotted, the band what the cut p-range ends imply.
# The texts of an SVG picture, one a line, as a reader sees them.
svg_text() { sed -n 's/.*<text>\(.*\)<\/text>.*/\1/p' "$1" | sed 's/<[^>]*>//g; s/&quot;/"/g; s/&lt;/</g; s/&gt;/>/g; s/&amp;/\&/g'; }
"$plot" -o one-labels.svg one.rep
check "one-sided: the axis names the report's Error, I - (1 - alpha)" \
  grep -qF "I - (1 - alpha), the report's Error" <(svg_text one-labels.svg)
check "one-sided: the alphas below 0.5 read as coverage" grep -qx 'coverage - target' <(svg_text one-labels.svg)
check "one-sided: the alphas above 0.5 read as miss probability" grep -qx 'miss prob. - target' <(svg_text one-labels.svg)
check "one-sided: the band is -2 AdapQuadTol to 0" grep -qx 'band -2 AdapQuadTol to 0' <(svg_text one-labels.svg)
check "the band is named for the cut ends of the p-range" grep -q "cutting AdapQuadTol from both ends of the integration's p-range" <(svg_text one-labels.svg)
check "two-sided: the axis says miss probability" grep -qx 'miss probability - target' <(svg_text two.svg)
check "two-sided: the band is +-2 AdapQuadTol" grep -qx 'band +-2 AdapQuadTol' <(svg_text two.svg)
# Cases of one panel at different AdapQuadTol: the band is the widest's, and says so.
{ echo 'kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,status,integral,difference,lower_tail,upper_tail,evaluations,seconds,crossed,no_number,out_of_iterations,message'
  echo '1,10,1,0.9,1e-6,1e-8,0,ok,0.1000002,2.0e-07,,,700,1.0,0,0,0,'
  echo '1,10,0.5,0.9,1e-4,1e-8,0,ok,0.1000102,1.02e-05,,,300,1.0,0,0,0,'; } >mixed-tol.csv
"$plot" -o mixed-tol.svg mixed-tol.csv
check "mixed AdapQuadTol: the band is that of the largest, named so" \
  grep -q '(AdapQuadTol 0.0001, the largest)$' <(svg_text mixed-tol.svg)
check "the one-sided table near -1e-6 is drawn on a linear scale" bash -c '! grep -q "symmetric log" "$1"' _ one-labels.svg

# One legend: each df named once, whatever the number of panels.
check "one legend: df 2 named once across three panels" test "$(svg_text one-labels.svg | grep -cx 'df 2')" -eq 1

# --- The new case-list results, read by their heading names: columns moved,
# a byte-order mark, CRLF line ends, a quoted comma and newline in a message.
printf '\357\273\277' >tails.csv
{
  printf 'message,kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,status,integral,difference,lower_tail,upper_tail,evaluations,seconds,crossed,no_number,out_of_iterations\r\n'
  printf '"Outside, the\r\nmeasured domain",2,10,1,0.95,1e-6,1e-8,0,ok,0.0500003,3.0e-07,0.018690,0.031310,756,1.0,0,0,0\r\n'
  printf ',2,10,1,0.9,1e-6,1e-8,0,ok,0.1000002,2.0e-07,0.03,0.0700002,700,1.0,0,0,0\r\n'
  printf ',2,100,1,0.9,1e-6,1e-8,0,ok,0.1000001,1.0e-07,0.04,0.0600001,700,1.0,0,0,0\r\n'
  printf '"Line 5: df x is no number",2,x,1,0.9,1e-6,1e-8,0,refused,,,,,,,,,\r\n'
} >>tails.csv
check "a case list with both tails draws" "$plot" -o tails.svg tails.csv
check "a panel row for the lower tail" grep -qx 'lower-tail miss - (1 - alpha)/2' <(svg_text tails.svg)
check "a panel row for the upper tail" grep -qx 'upper-tail miss - (1 - alpha)/2' <(svg_text tails.svg)
check "the tails' band shows 0 to 2 AdapQuadTol" grep -q '^band 0 to 2 AdapQuadTol' <(svg_text tails.svg)
# The lower tail at alpha 0.9, df 10, is 0.03 - 0.05 = -0.02: the axis reaches it.
check "the tails are drawn against (1 - alpha)/2" grep -qx -- '-2.0e-02' <(svg_text tails.svg)

# The program's own case-list results, as they come: both tails for the
# two-sided row, the refused row left out.
printf 'kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol\n1,10,1,0.05,1e-6,1e-8,0\n1,10,1,0.95,1e-6,1e-8,0\n2,10,1,0.95,1e-6,1e-8,0\n1,x,1,0.9,1e-6,1e-8,0\n' >list.csv
"$tolvane" --cases list.csv >list.results.csv
check "tolvane --cases results draw" "$plot" -o list.svg list.results.csv
check "its two-sided row gets a lower-tail row of panels" grep -qx 'lower-tail miss - (1 - alpha)/2' <(svg_text list.svg)
check "and an upper-tail row" grep -qx 'upper-tail miss - (1 - alpha)/2' <(svg_text list.svg)

# A case whose limits crossed keeps its number, ringed and named as broken.
printf 'kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,status,integral,difference,lower_tail,upper_tail,evaluations,seconds,crossed,no_number,out_of_iterations,message\n2,100,10,0.001,1e-6,1e-6,0,ok,1.3435,0.3445,0.7,0.6435,1000,3,528,0,0,\n2,10,10,0.01,1e-6,1e-8,0,ok,0.99,1e-7,0.5,0.49,1000,3,0,0,40,\n' >broken.csv
check "a case list with broken limits draws" "$plot" -o broken.svg broken.csv
check "the broken case is ringed and named in the legend" grep -qx 'ringed: limits broken' <(svg_text broken.svg)
sed -i 's/,528,0,0,$/,0,0,7,/' broken.csv
"$plot" -o unbroken.svg broken.csv
check "a search ended on its iteration limit alone rings nothing" bash -c '! grep -q "ringed" "$1"' _ unbroken.svg

# The old thirteen columns still draw, and a moved difference column is found by name.
printf 'difference,kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,status,integral,evaluations,seconds,message\n-3.0e-03,1,10,1,0.9,1e-6,1e-8,0,ok,0.1,,1,"a, b"\n' >moved.csv
check "a results CSV with its columns moved draws" "$plot" --scale linear -o moved.svg moved.csv
check "the difference is read from its own column" grep -q -- '-3\.0e-03' <(svg_text moved.svg)

printf 'kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,status,integral,difference,evaluations,seconds,message\n1,10,1,0.9,1e-6,1e-8,0,ok,0.1,-1e-6,,1\n' >short.csv
status=0; "$plot" -o short.svg short.csv 2>err.txt || status=$?
check "a row with a field missing is refused with status 2" test $status -eq 2
check "the refusal names the row's line" grep -q '^tolvane-plot: short.csv: line 2: 12 fields, the heading has 13$' err.txt
check "a refused input leaves no picture" test ! -e short.svg

printf 'kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,status,integral,difference,evaluations,seconds,Difference\n1,10,1,0.9,1e-6,1e-8,0,ok,0.1,-1e-6,,1,-2e-6\n' >twice.csv
status=0; "$plot" -o twice.svg twice.csv 2>err.txt || status=$?
check "a heading that names a column twice is refused with status 2, named" \
  bash -c 'test $1 -eq 2 && test "$(cat err.txt)" = "tolvane-plot: twice.csv: the heading names column '"'difference'"' twice"' _ $status

# Report lines by blanks, with touching E fields split by their form; a case
# line with an overflowed field is left out with a note, not misread.
{
  printf ' Verifying one-tailed \n 9:05    12/ 7/2026\n AdapQuadTol:  1.0E-06 FunctionTol:  1.0E-08   ResultTol:  0.0E+00\n'
  printf '  alpha  df  sigma   Integral      Error  AdqTol FncTol ResTol\n'
  printf '  0.100   2.  0.1   1.000E-01-4.538E-03 1.E-06 1.E-08 0.E+00   0.0 min.    252\n'
  printf '  0.900   2.  0.1   9.000E-01 ********* 1.E-06 1.E-08 0.E+00   0.0 min.    252\n'
} >touch.rep
status=0; "$plot" --scale linear -o touch.svg touch.rep 2>err.txt || status=$?
check "a report whose E fields touch draws" test $status -eq 0
check "the touching Error field is read whole" grep -q -- '-4\.0e-03' <(svg_text touch.svg)
check "the overflowed case line is named, not misread" grep -q '^tolvane-plot: touch.rep: 1 case line(s) without readable numbers left out (line 6)$' err.txt

# --- Every row that has a number is drawn; the rest are counted, on the
# picture and on standard error. The program itself writes nan for a case
# far outside its domain (df 2147483648, sigma 1e150) and marks the row ok.
head='kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,status,integral,difference,lower_tail,upper_tail,evaluations,seconds,crossed,no_number,out_of_iterations,message'
{
  echo "$head"
  echo '1,10,1,0.9,1e-6,1e-8,0,ok,0.0999990939,-9.06e-07,,,252,0.01,0,0,0,'
  echo '1,2147483648,1,0.9,1e-6,1e-8,0,ok,nan,nan,,,882,0.006,0,882,0,"line 3: outside the measured domain"'
  echo '1,10,1e150,0.9,1e-6,1e-8,0,ok,nan,-inf,,,882,0.002,0,882,0,'
  echo '1,x,1,0.9,1e-6,1e-8,0,refused,,,,,,,,,,"line 5: df x is not a number"'
  echo '1,10,1,0.95,1e-6,1e-8,0,ok,0.05,-8.1e-07,,,252,0.01,0,0,0,'
} >nan.csv
# Does the SVG picture show this line of text?
shows() { grep -qxF -- "$2" <(svg_text "$1"); }
status=0; "$plot" -o nan.svg nan.csv 2>err.txt || status=$?
check "a results CSV with nan rows draws, with status 0" test $status -eq 0
check "its rows with a number are drawn: df 10 in the legend" shows nan.svg 'df 10'
check "standard error counts the rows not drawn, by why, with their lines" \
  test "$(cat err.txt)" = 'tolvane-plot: nan.csv: 3 rows not drawn: 2 no number, 1 refused (line 3, 4, 5)'
check "the picture names the same count" grep -qx '3 rows not drawn: 2 no number, 1 refused' <(svg_text nan.svg)
# df 2147483648 at sigma 1 is placed: a cross at the foot of its panel.
check "a case without a number is marked at the foot" grep -q "<use xlink:href='#gpPt1' " nan.svg
check "and the legend says so" shows nan.svg 'no number, marked at the foot'
check "a report's case line without numbers is counted on the picture" \
  grep -qx '1 row not drawn: 1 no number' <(svg_text touch.svg)
{ echo "$head"; sed -n '3,4p' nan.csv; echo '2,10,1,0.9,1e-6,1e-8,0,failed,,,,,1,0.1,,,,"line 4: the limit command failed"'; } >allnan.csv
status=0; "$plot" -o allnan.svg allnan.csv 2>err.txt || status=$?
check "nothing to draw: refused with status 2, one line that counts why, no picture" \
  bash -c 'test $1 -eq 2 && test ! -e allnan.svg &&
    test "$(cat err.txt)" = "tolvane-plot: allnan.csv: no case with a result to draw (3 rows not drawn: 2 no number, 1 failed)"' _ $status

# --- The ring: exactly the rows whose results count crossed limits or no
# number are ringed, not one whose search only ran out of iterations. Each
# df (one colour each) holds one kind of row; the rings are matched to the
# points they circle by position.
{
  echo "$head"
  for a in 0.9 0.95; do
    echo "2,2,1,$a,1e-6,1e-8,0,ok,0.1,-1.${a#0.}e-07,,,9,1,3,0,0,"
    echo "2,3,1,$a,1e-6,1e-8,0,ok,0.1,-2.${a#0.}e-07,,,9,1,0,5,0,"
    echo "2,4,1,$a,1e-6,1e-8,0,ok,0.1,-3.${a#0.}e-07,,,9,1,0,0,7,"
    echo "2,5,1,$a,1e-6,1e-8,0,ok,0.1,-4.${a#0.}e-07,,,9,1,0,0,0,"
  done
} >rings.csv
# For each colour of point: how many of its points a ring circles, of how
# many (the legend's sample included); then the rings circling no point.
rings() {
  python3 -I - "$1" <<'PY'
import re, sys
svg = open(sys.argv[1], encoding="utf-8").read()
uses = [(pt, (x, y), c.replace(" ", "")) for pt, x, y, c in re.findall(
    r"<use xlink:href='#gpPt(\d+)' transform='translate\(([-\d.]+),([-\d.]+)\)[^']*' color='rgb\(([^)]*)\)'", svg)]
ring = {at for pt, at, c in uses if pt == "5" and c == "208,0,0"}
points = {}
for pt, at, c in uses:
    if not (pt == "5" and c == "208,0,0"):
        points.setdefault(c, set()).add(at)
for c, ats in points.items():
    print(f"{c} {len(ats & ring)}/{len(ats)}")
print("lone", len(ring - set().union(*points.values())))
PY
}
"$plot" -o rings.svg rings.csv
check "rings: both points of the crossed and of the no-number rows, none of the others, one in the legend" \
  test "$(rings rings.svg | tr '\n' ' ')" = '0,114,178 2/3 213,94,0 2/3 0,158,115 0/3 204,121,167 0/3 lone 1 '

# --- Per-case settings: lambda, gamma2 (the number used) and mu, appended
# after the message, read by name. The defaults (0.5, df + 1, 0) draw the
# picture of a list without them; other settings are named, one row of
# panels each.
settings() {  # lambda gamma2-rule(df+K or a number) mu, per row of a small list
  echo "$head,lambda,gamma2,mu"
  local lam g2 mu df a v
  while read -r lam g2 mu; do
    for df in 2 10; do for a in 0.9 0.95; do
      case $g2 in df+*) v=$((df + ${g2#df+})) ;; *) v=$g2 ;; esac
      echo "1,$df,1,$a,1e-6,1e-8,0,ok,0.1,-$df.${a#0.}e-07,,,9,1,0,0,0,\"a, b\",$lam,$v,$mu"
    done; done
  done
}
printf '0.5 df+1 0\n' | settings >default.csv
sed '1s/,lambda,gamma2,mu$//; 2,$s/,[^,]*,[^,]*,[^,]*$//' default.csv >plain.csv
"$plot" --title same -o plain.svg plain.csv
"$plot" --title same -o default.svg default.csv
printf '0.3 df+1 0\n' | settings >lambda.csv
"$plot" --title same -o lambda.svg lambda.csv
check "the default settings draw the very picture of a list without them; lambda 0.3 is named in the title" \
  bash -c 'cmp -s plain.svg default.svg && grep -q "<text>lambda = 0.3, gamma² = df+1</text>" lambda.svg &&
    ! grep -q "lambda = " plain.svg'
printf '0.5 df+1 0\n0.5 5 0\n0.3 df+1 0\n0.3 df+2 0.25\n' | settings >varied.csv
"$plot" -o varied.svg varied.csv
check "a list that varies its settings: one row of panels for each, titled by it" \
  test "$(svg_text varied.svg | grep -c '^sigma = 1; lambda = ')" -eq 4
check "the default row comes first, named as the default" shows varied.svg 'sigma = 1; lambda = 0.5, gamma² = df+1'
check "a fixed gamma² is named by its number" shows varied.svg 'sigma = 1; lambda = 0.5, gamma² = 5'
check "gamma² that follows df is named by its rule, and mu when it is not 0" \
  shows varied.svg 'sigma = 1; lambda = 0.3, gamma² = df+2, mu = 0.25'
# The same columns in another order, still at the end: found by name.
python3 -I -c 'import csv, sys
w = csv.writer(sys.stdout, lineterminator="\n")
for r in csv.reader(open(sys.argv[1], newline="")):
    w.writerow(r[:18] + [r[20], r[18], r[19]])' varied.csv >reordered.csv
"$plot" -o reordered.svg reordered.csv
check "settings columns in another order are read by their names" \
  bash -c 'diff <(grep "<text>sigma = " varied.svg) <(grep "<text>sigma = " reordered.svg) >&2'

# --- Coverage curves over sigma: a grid of many sigmas draws across sigma on
# a log axis, one panel per alpha; --x chooses.
awk -v h="$head" 'BEGIN { print h
  for (d = 1; d <= 3; d++) for (i = 0; i < 12; i++) for (a = 1; a <= 2; a++) {
    s = 0.05 * exp(i / 11 * log(200)); df = (d == 1 ? 2 : d == 2 ? 5 : 10)
    printf "1,%d,%.6g,%s,1e-6,1e-8,0,ok,0.1,-%d.%de-7,,,9,1,0,0,0,\n", df, s, (a == 1 ? "0.05" : "0.95"), d, i % 10 } }' >grid.csv
"$plot" -o grid.svg grid.csv
check "a grid of 12 sigmas and 2 alphas draws across sigma" shows grid.svg 'sigma'
check "one panel per alpha" bash -c "$(declare -f svg_text shows); shows grid.svg 'alpha = 0.05' && shows grid.svg 'alpha = 0.95'"
check "the sigma axis is logarithmic: labelled 0.1, 1 and 10" \
  bash -c "$(declare -f svg_text shows); shows grid.svg 0.1 && shows grid.svg 1 && shows grid.svg 10"
check "--x alpha draws the grid across alpha" "$plot" --x alpha -o grid-alpha.svg grid.csv
check "across alpha, every sigma in one panel" shows grid-alpha.svg 'every sigma'
# one.rep has three sigmas and two alphas: a report keeps its picture unless told.
"$plot" --x=sigma -o one-sigma.svg one.rep
check "a report draws across alpha by itself, across sigma with --x sigma" \
  bash -c "$(declare -f svg_text shows); shows one-labels.svg alpha && shows one-sigma.svg 'alpha = 0.9'"

# --- No name runs code: report name, -o, --title, each with what gnuplot
# would run if it were spliced into its commands.
hostile=$'a\nsystem "touch pwned-name"\n\' `touch pwned-bq` $(touch pwned-sh) {} \\ @ARG1 .rep'
cp one.rep "$hostile"
check "a report named with a newline and gnuplot commands draws" "$plot" -o name.svg -- "$hostile"
cp one.rep ./-lead.rep
check "a report named with a leading '-' draws after --" "$plot" -o lead.svg -- -lead.rep
check "before --, the leading '-' is an option: refused with a hint" \
  bash -c '"$1" -o lead2.svg -lead.rep 2>&1 | grep -q "^tolvane-plot: unknown option .-lead.rep. (a file name starting with .-. goes after --"' _ "$plot"
out_hostile=$'-p\nsystem "touch pwned-out"\n\'"`touch pwned-out2`.svg'
check "a picture named with a newline, quotes and a leading '-' draws" "$plot" -o "$out_hostile" one.rep
check "the picture has exactly that name" svg_ok "./$out_hostile"
check "a picture named as a gnuplot pipe is a file" "$plot" -o '|touch pwned-pipe;x.svg' one.rep
check "the pipe-named picture is there" svg_ok '|touch pwned-pipe;x.svg'
title_hostile=$'t"\nsystem "touch pwned-title"\n\' `touch pwned-title2` \\" {} <&>'
check "a title with a newline, quotes and backticks draws" "$plot" --title "$title_hostile" -o title2.svg one.rep
check "the title's text is shown as data" grep -qxF 'system "touch pwned-title"' <(svg_text title2.svg)
# A status is the file's own text, and the note of rows not drawn shows it.
{ echo "$head"; sed -n 2p nan.csv; echo '1,10,1,0.95,1e-6,1e-8,0,"x"" . system(""touch pwned-status"") . ""`touch pwned-status2`",,,,,,,,,,'; } >status.csv
check "a results CSV whose status holds gnuplot commands draws" "$plot" -o status.svg status.csv
check "the status is shown as text in the note" \
  shows status.svg '1 row not drawn: 1 x" . system("touch pwned-status") . "`touch pwned-status2`'
mkdir evil && printf 'open("pwned-env", "w")\n' >evil/csv.py
check "a module on PYTHONPATH is not loaded in its place" env PYTHONPATH=evil "$plot" -o env.svg one.rep
for marker in pwned-status pwned-status2 pwned-env pwned-name pwned-bq pwned-sh pwned-out pwned-out2 pwned-pipe pwned-title pwned-title2; do
  check "no name ran as code: no $marker" test ! -e "$marker"
done

# --- Whole pictures or none. On a full file system (lib.sh's with_full_disk),
# gnuplot itself exits 0 with a cut picture.
awk 'BEGIN { print "kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,status,integral,difference,evaluations,seconds,message"
  for (d = 2; d <= 7; d++) for (s = 1; s <= 3; s++) for (a = 1; a <= 9; a++)
    printf "1,%d,%d,0.%d,1e-6,1e-8,0,ok,0.5,-%d.%de-7,,,\n", d, s, a, d, a }' >big.csv
cp one-labels.svg before.svg
status=0
with_full_disk small 65536 bash -c 'cp before.svg small/p.svg &&
  { "$1" -o small/p.svg big.csv 2>err.txt; echo $? >status.txt; } &&
  { "$1" -o small/p.png big.csv 2>>err.txt; echo $? >>status.txt; } &&
  cmp before.svg small/p.svg && ! ls -A small | grep -q "^\.tolvane-plot" && test ! -e small/p.png' _ "$plot" || status=$?
check "full disk: the previous picture stays whole, nothing else is left" test $status -eq 0
check "full disk: both pictures fail with a non-zero status" test "$(grep -c '^2$' status.txt)" -eq 2
check "full disk: the message says the picture was not written" grep -q '^tolvane-plot: small/p.svg: not written, the picture was not written whole' err.txt
# A file-size limit kills gnuplot in mid-write: same outcome.
status=0; (ulimit -f 16; "$plot" -o before.svg big.csv 2>err.txt) || status=$?
check "file-size limit: a non-zero status" test $status -ne 0
check "file-size limit: the previous picture stays" cmp before.svg one-labels.svg
check "file-size limit: no temporary picture left" no_temp

# --- The command line: help, version, one-line refusals named by the program.
status=0; "$plot" --version >out 2>err.txt || status=$?
check "--version exits 0" test $status -eq 0
check "--version has the form and number of tolvane --version" \
  test "$(cat out)" = "tolvane-plot $("$tolvane" --version | sed 's/^tolvane //')"
status=0; "$plot" -h >out || status=$?
check "-h exits 0 with the usage" test $status -eq 0 -a "$(head -c 21 out)" = 'Usage: tolvane-plot ['
check "the usage names --x and its choices" grep -q -- '--x X        alpha, sigma or auto' out
for args in "--bogus" "-o" "-o x.svg" "-o x.gif one.rep" "--scale log -o x.svg one.rep" "--x log -o x.svg one.rep" \
            "-o x.svg one.rep two.rep" "--help extra" "-o x.png one.in" "-o x.png missing.rep"; do
  # shellcheck disable=SC2086
  status=0; "$plot" $args >out 2>err.txt </dev/null || status=$?
  check "'$args' refused with exit status 2" test $status -eq 2
  check "'$args' refused with one line starting 'tolvane-plot: '" \
    test "$(wc -l <err.txt)" -eq 1 -a "$(grep -c '^tolvane-plot: ' err.txt)" -eq 1
done
finish
