# A part that fails is named with its exit status and its own output; the
# finished parts are kept, and a rerun runs only what is missing or failed.
source "$(dirname "$0")/lib.sh"

# A stand-in for tolvane that logs each part it runs and fails the one named.
cat >fake-tolvane <<'SH'
#!/usr/bin/env bash
# The input-file runs only, not tolvane --plan.
[ $# -gt 0 ] || echo "$(basename "$PWD")" >>"$RUN_LOG"
if [ "$(basename "$PWD")" = "${FAIL_PART:-}" ]; then
  echo "simulated failure of this part" >&2
  exit 3
fi
exec "$REAL_TOLVANE" "$@"
SH
chmod +x fake-tolvane
export RUN_LOG=$work/runs.log REAL_TOLVANE=$tolvane

printf '1\n5 6\n1 2\n1e-6 1e-8 0\nt.rep\n1 3\n' >t.in
single_run single t.in
mkdir par && cp t.in par/ && cd par

status=0
FAIL_PART=L06-D1-S1-3 "$table" -q -j 2 --split df --tolvane ../fake-tolvane t.in >terminal.txt 2>err.txt || status=$?
check "a failed part: exit status 1" test $status -eq 1
check "a failed part is named with its cases and exit status" \
  grep -q 'part L06-D1-S1-3 (alpha 0.9, df 2, sigma 0.1 to 10) failed: exit status 3' err.txt
check "a failed part's own output is shown" grep -q 'simulated failure of this part' err.txt
check "no report while a part is missing" test ! -e t.rep
check "terminal output stops before the failed part" test "$(grep -c minutes terminal.txt)" -eq 6

: >"$RUN_LOG"
status=0; "$table" -q -j 2 --split df --tolvane ../fake-tolvane t.in >terminal.txt 2>err.txt || status=$?
check "rerun: exit status 0" test $status -eq 0
check "rerun: only the failed part ran" test "$(grep -v '^head$' "$RUN_LOG" | tr '\n' ' ')" = "L06-D1-S1-3 "
check "rerun: report as one run's" same_masked ../single/t.rep t.rep
check "rerun: terminal output as one run's" same_masked ../single/terminal.txt terminal.txt

# A part lost, and one cut short (as by a killed process): only they run again.
rm -rf t.rep.parts/L05-D2-S1-3
sed -i '$d' t.rep.parts/L06-D2-S1-3/report
: >"$RUN_LOG"
status=0; "$table" -q -j 2 --split df --tolvane ../fake-tolvane t.in >terminal.txt 2>err.txt || status=$?
check "second rerun: exit status 0" test $status -eq 0
check "second rerun: only the missing and the cut part ran" \
  test "$(grep -v '^head$' "$RUN_LOG" | sort | tr '\n' ' ')" = "L05-D2-S1-3 L06-D2-S1-3 "
check "second rerun: report as one run's" same_masked ../single/t.rep t.rep

# Other tolerances make every part new.
sed -i 's/^1e-6 1e-8 0/1e-5 1e-8 0/' t.in
: >"$RUN_LOG"
"$table" -q -j 2 --split df --tolvane ../fake-tolvane t.in >/dev/null 2>&1
check "changed tolerances: every part ran again" test "$(grep -vc '^head$' "$RUN_LOG")" -eq 4
finish
