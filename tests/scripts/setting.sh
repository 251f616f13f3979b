# The coverage at any setting (lambda, gamma2, mu per case), checked against
# an independent computation: the closed-form approximation of the Python
# wrapper, whose coverage R integrates on its own (approx_coverage.R); and
# the setting's target and standard error through the whole program.
source "$(dirname "$0")/lib.sh"
python=$(command -v python3)
py=$src/examples/limits/wrapper.py

{ echo "kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol,lambda,gamma2,mu"
  echo "1,5,1,0.95,1e-7,1e-8,0,-1,6,0"
  echo "1,10,0.5,0.1,1e-7,1e-8,0,0.25,1,3"
  echo "1,3,2,0.9,1e-7,1e-8,0,2,40,-1.5"
  echo "2,10,1,0.95,1e-7,1e-8,0,1,10,0"
  echo "2,4,0.3,0.9,1e-7,1e-8,0,-0.5,50,2"; } >setting.csv
"$tolvane" --cases setting.csv --limits "'$python' '$py' approx" >results.csv 2>notes.txt
check "the approximation's rows are computed" test "$(grep -c ',ok,' results.csv)" -eq 5
# kind df sigma alpha lambda gamma2 mu, and tolvane's error, one line a case.
"$python" - results.csv >cases.txt <<'PY'
import csv, sys
for r in csv.DictReader(open(sys.argv[1])):
    print(r["kind"], r["df"], r["sigma"], r["alpha"], r["lambda"], r["gamma2"], r["mu"], r["difference"])
PY
cut -d' ' -f1-7 cases.txt | Rscript "$src/tests/scripts/approx_coverage.R" 1e-7 >independent.txt
paste -d' ' <(cut -d' ' -f8 cases.txt) independent.txt >both.txt
check "the coverage at every setting agrees with the independent integration" \
  awk '{ d = $1 - $9; d = d < 0 ? -d : d; g = $1 < 0 ? -$1 : $1
         if (d > 1e-6 + 1e-4 * g) { print "FAIL: " $0 > "/dev/stderr"; bad = 1 } }
       END { exit bad || NR != 5 }' both.txt
# The approximation is off by far more than the integration's tolerance, so
# the agreement says something about the setting, not only about zero.
check "the approximation misses somewhere by more than 1e-3" \
  awk '{ e = $1 < 0 ? -$1 : $1; if (e > 1e-3) big = 1 } END { exit !big }' both.txt
finish
