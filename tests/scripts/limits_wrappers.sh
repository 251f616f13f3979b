# The wrappers of examples/limits in Python and R, through tolvane --limits:
# filled with the program's own limits (asked of tolvane-limits) they give the
# reports of a plain run, masked; filled with the closed-form approximation they
# give its coverage error as an independent integration in R computes it.
# Every run here passes the run's probes of the limit code (answers the same
# when asked again, factors that give their limits, limits that move with the
# sample mean): a probe that failed would fail its case, and exit status 0
# says none did.
source "$(dirname "$0")/lib.sh"

limits=$(cd "$OLDPWD" && realpath "$build/tolvane-limits")
py=$src/examples/limits/wrapper.py
r=$src/examples/limits/wrapper.R
# Debian's own python3 (scripts/install-deps) before any other on the PATH.
python=python3; [ -x /usr/bin/python3 ] && python=/usr/bin/python3
command -v "$python" >/dev/null || { fail "python3 is not installed (scripts/install-deps)"; finish; }
command -v Rscript >/dev/null || { fail "Rscript is not installed (r-base-core, scripts/install-deps)"; finish; }

# A one-sided case on each side of alpha 0.5, and one two-sided case.
printf '1\n5 6\n4 4\n1e-6 1e-8 0\none.rep\n2 2\n' >one.in
printf '2\n6 6\n4 4\n1e-6 1e-8 0\ntwo.rep\n2 2\n' >two.in

# Runs INPUT in DIR through tolvane, with --limits COMMAND when one is given.
run_in() {
  local dir=$1 input=$2; shift 2
  mkdir -p "$dir"; cp "$input" "$dir/"
  (cd "$dir" && printf '2\n%s\n' "$input" | "$tolvane" "$@" >terminal.txt 2>stderr.txt)
}

for input in one.in two.in; do
  rep=${input%.in}.rep
  run_in "plain-$input" "$input"
  status=0; run_in "py-own-$input" "$input" --limits "'$python' '$py' tolvane-limits '$limits'" || status=$?
  check "$input: Python wrapper with tolvane-limits ends with status 0" test $status -eq 0
  check "$input: Python wrapper with tolvane-limits gives the plain report" \
    same_masked "plain-$input/$rep" "py-own-$input/$rep"
  status=0; run_in "r-own-$input" "$input" --limits "Rscript '$r' tolvane-limits '$limits'" || status=$?
  check "$input: R wrapper with tolvane-limits ends with status 0" test $status -eq 0
  check "$input: R wrapper with tolvane-limits gives the plain report" \
    same_masked "plain-$input/$rep" "r-own-$input/$rep"
done

# The tolerances of a request reach tolvane-limits: its limit at FunctionTol 1e-12
# is not the one at its default 1e-8, and each wrapper gives the former.
request='1 14 0.4272 0.95 0.5 15 0 1e-12 0'
want=$(echo "$request" | "$limits" | cut -d' ' -f2)
default=$(echo "${request% 1e-12 0}" | "$limits" | cut -d' ' -f2)
check "FunctionTol 1e-12 moves the limit" test "$want" != "$default"
for w in py r; do
  if [ $w = py ]; then set -- "$python" "$py"; else set -- Rscript "$r"; fi
  got=$(echo "$request" | "$@" tolvane-limits "$limits" | cut -d' ' -f2) || true
  check "$w: the request's tolerances reach tolvane-limits" test "$got" = "$want"
done

# Each wrapper passes tolvane-limits' answers on as they are, factors included:
# at lambda 0 (the t limits, whose factors carry the sign +1) and at a negative
# lambda (the mirror image of the interval at -lambda).
for request in '2 14 0.4272 0.95 0 15 0' '1 14 0.4272 0.05 0 15 0.5' '2 14 0.4272 0.95 -0.5 15 0'; do
  want=$(echo "$request" | "$limits")
  for w in py r; do
    if [ $w = py ]; then set -- "$python" "$py"; else set -- Rscript "$r"; fi
    got=$(echo "$request" | "$@" tolvane-limits "$limits") || true
    check "$w: '$request' is answered as tolvane-limits answers it" \
      "$python" -c 'import sys; a, b = ([float(x) for x in t.split()] for t in sys.argv[1:3]); sys.exit(not (len(a) == len(b) and all(abs(x - y) <= 1e-13 * (1 + abs(y)) for x, y in zip(a, b))))' "$got" "$want"
  done
done

# The approximation's coverage error through each wrapper: one-sided at df 2 on
# both sides of alpha 0.5 and two-sided at df 2; one-sided at df 1000 once.
printf '1\n5 6\n1 1\n1e-6 1e-8 0\napprox1.rep\n2 2\n' >approx1.in
printf '2\n6 6\n1 1\n1e-6 1e-8 0\napprox2.rep\n2 2\n' >approx2.in
printf '1\n5 6\n6 6\n1e-6 1e-8 0\napprox1000.rep\n2 2\n' >approx1000.in

# "kind alpha df sigma error" of each case line of the terminal output TERMINAL
# of a run of KIND, cut by column as the formats place them (a df of 1000
# touches alpha); the errors have four digits.
case_lines() {
  awk -v kind="$1" '/ (minutes|min\.) +[0-9]+$/ {
    if (kind == 1) print kind, substr($0, 8, 5) + 0, substr($0, 13, 9) + 0, substr($0, 1, 7) + 0, substr($0, 36, 14) + 0
    else print kind, substr($0, 10, 7) + 0, substr($0, 17, 7) + 0, substr($0, 1, 9) + 0, substr($0, 38, 14) + 0
  }' "$2"
}

: >cases.txt
for w in py r; do
  if [ $w = py ]; then cmd="'$python' '$py' approx"; else cmd="Rscript '$r' approx"; fi
  inputs="approx1.in approx2.in"; [ $w = py ] && inputs="$inputs approx1000.in"
  for input in $inputs; do
    kind=1; [ $input = approx2.in ] && kind=2
    status=0; run_in "$w-$input" "$input" --limits "$cmd" || status=$?
    check "$w approximation over $input ends with status 0" test $status -eq 0
    case_lines $kind "$w-$input/terminal.txt" >>cases.txt
  done
done
check "the approximation runs report every case" test "$(wc -l <cases.txt)" -eq 8
# kind df sigma alpha tolvane's-error independent-error, one line a case.
cut -d' ' -f1-4 cases.txt | Rscript "$src/tests/scripts/approx_coverage.R" 1e-6 >independent.txt
paste -d' ' <(cut -d' ' -f5 cases.txt) independent.txt >both.txt
# Within the printing's last digit and what the integrals' tolerances allow.
check "the approximation's coverage errors agree with the independent integration" \
  awk '{ d = $1 - $6; d = d < 0 ? -d : d; g = $1 < 0 ? -$1 : $1
         if (d > 3e-6 + 5e-4 * g) { print "FAIL: kind, df, sigma, alpha " $2, $3, $4, $5 ": tolvane " $1 ", independent " $6 > "/dev/stderr"; bad = 1 } }
       END { exit bad || NR != 8 }' both.txt
# Its size: about a percent off at df 2 and still 5e-3 at df 1000, sigma 1
# (where the side asked for matters: the other side would miss by about 0.8),
# against about 1e-6 for the program's own limits.
check "the approximation misses by more than 1e-3 at df 2" \
  awk '$3 == 2 { e = $1 < 0 ? -$1 : $1; if (e > 1e-3) big++; n++ } END { exit !(n == 6 && big == n) }' both.txt
check "the approximation misses by 1e-3 to 1e-2 at df 1000" \
  awk '$3 == 1000 { e = $1 < 0 ? -$1 : $1; if (e > 1e-3 && e < 1e-2) ok++; n++ } END { exit !(n == 2 && ok == n) }' both.txt

# An unfilled wrapper answers every request with an error, and the run says so.
for w in "'$python' '$py'" "Rscript '$r'"; do
  status=0; run_in "empty" "one.in" --limits "$w" || status=$?
  check "$w unfilled: the run ends with status 3" test $status -eq 3
  check "$w unfilled: the terminal names the function to fill in" grep -q 'not filled in' empty/terminal.txt
  rm -rf empty
done

# The wrappers answer a malformed request with an error line and go on.
for w in py r; do
  if [ $w = py ]; then set -- "$python" "$py" approx; else set -- Rscript "$r" approx; fi
  printf '1 10 1\n1 14 0.4272 0.95 0.5 15 0\n' | "$@" >answers.txt
  check "$w: a short request gets an error line" grep -qx 'error: a request has 7 or 9 numbers, not 3' <(head -n 1 answers.txt)
  check "$w: the next request is answered" test "$(sed -n 2p answers.txt | wc -w)" -eq 2
done
finish
