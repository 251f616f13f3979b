# The parts of a run in parts (here through -S :) and their books, which are
# GNU parallel's: a part that fails is named with its exit status and its own
# output, and a rerun runs only what did not finish. A part is done only when
# tolvane says so: one that exits 0 with rows missing, or 3, fails the run,
# and a program that is no tolvane is refused. Parts of another --tolvane,
# other --limits or a rebuilt program run again. The lock of the parts
# directory is no child's to keep. A TERM ends the run and what it runs.
source "$(dirname "$0")/lib.sh"

# A stand-in for tolvane that logs each part it runs (its --part) and fails
# the one named, after writing nothing.
cat >fake-tolvane <<'SH'
#!/usr/bin/env bash
part=""
for ((i = 1; i <= $#; i++)); do [ "${!i}" != --part ] || { j=$((i + 1)); part=${!j}; }; done
[ -z "$part" ] || echo "$part" >>"$RUN_LOG"
if [ -n "$part" ] && [ "$part" = "${FAIL_PART:-}" ]; then
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
ran() { sort "$RUN_LOG" | tr '\n' ' '; }

status=0
FAIL_PART=2/4 "$table" -q -j 2 "${in_parts[@]}" --split df --tolvane ../fake-tolvane t.in >terminal.txt 2>err.txt || status=$?
check "a failed part: exit status 1" test $status -eq 1
check "a failed part is named with its cases and exit status" \
  grep -q '^tolvane-table: part 2 of 4 (cases 4 to 6 of 12) failed: exit status 3$' err.txt
check "a failed part's own output is shown" grep -q '^    simulated failure of this part$' err.txt
check "no report while a part is missing" test ! -e t.rep
check "no terminal output while a part is missing" test ! -s terminal.txt

: >"$RUN_LOG"
status=0; "$table" -q -j 2 "${in_parts[@]}" --split df --tolvane ../fake-tolvane t.in >terminal.txt 2>err.txt || status=$?
check "rerun: exit status 0" test $status -eq 0
check "rerun: only the failed part ran" test "$(ran)" = "2/4 "
check "rerun: report as one run's" same_masked ../single/t.rep t.rep
check "rerun: terminal output as one run's" same_masked ../single/terminal.txt terminal.txt
: >"$RUN_LOG"
status=0; "$table" -q -j 2 "${in_parts[@]}" --split df --tolvane ../fake-tolvane t.in >terminal.txt 2>err.txt || status=$?
check "rerun of a finished run: exit status 0, nothing ran" test $status -eq 0 -a ! -s "$RUN_LOG"
check "rerun of a finished run: report as one run's" same_masked ../single/t.rep t.rep

# A part's results lost, or cut short: tolvane refuses to put them together,
# and the next run runs the parts again.
rm -f t.in.parts/*/1.part
status=0; "$table" -q -j 2 "${in_parts[@]}" --split df --tolvane ../fake-tolvane t.in >terminal.txt 2>err.txt || status=$?
check "a part's results lost: exit status 1" test $status -eq 1
check "a part's results lost: tolvane says which" grep -q '1.part: cannot open the results' err.txt
: >"$RUN_LOG"
status=0; "$table" -q -j 2 "${in_parts[@]}" --split df --tolvane ../fake-tolvane t.in >terminal.txt 2>err.txt || status=$?
check "after a part was lost: exit status 0" test $status -eq 0
check "after a part was lost: every part ran again" test "$(ran)" = "1/4 2/4 3/4 4/4 "
check "after a part was lost: report as one run's" same_masked ../single/t.rep t.rep

# Other tolerances make every part new.
sed -i 's/^1e-6 1e-8 0/1e-5 1e-8 0/' t.in
: >"$RUN_LOG"
"$table" -q -j 2 "${in_parts[@]}" --split df --tolvane ../fake-tolvane t.in >/dev/null 2>&1 || true
check "changed tolerances: every part ran again" test "$(ran)" = "1/4 2/4 3/4 4/4 "
cd "$work"

# ---- a part is done when tolvane says so ----
printf '1,10,1,0.9,1e-6,1e-8,0\n1,abc,1,0.9,1e-6,1e-8,0\n1,5,1,0.95,1e-6,1e-8,0\n1,3,1,0.9,1e-6,1e-8,0\n' >list.csv
"$tolvane" --cases list.csv >list.single.csv
echo previous >list.results.csv
status=0; "$table" -q --tolvane /bin/true --cases list.csv 2>true.err || status=$?
check "--tolvane /bin/true: refused" test $status -eq 2
check "--tolvane /bin/true: says it is no tolvane" grep -q '/bin/true: not tolvane' true.err
check "--tolvane /bin/true: the previous results kept" grep -qx previous list.results.csv
# A part cut short behind the program's back: its exit status is 0.
cat >cut-tolvane <<SH
#!/usr/bin/env bash
case " \$* " in *" --part "*) "$tolvane" "\$@" | head -n 1 ;; *) exec "$tolvane" "\$@" ;; esac
SH
chmod +x cut-tolvane
status=0; "$table" -q "${in_parts[@]}" --tolvane ./cut-tolvane --cases list.csv 2>cut.err || status=$?
check "parts cut short: exit status 1" test $status -eq 1
check "parts cut short: tolvane says the results are not the list's" grep -q 'the results end before the row of line' cut.err
check "parts cut short: the previous results kept" grep -qx previous list.results.csv
# A part that exits 3 fails the run, though its rows are all there.
cat >three-tolvane <<SH
#!/usr/bin/env bash
"$tolvane" "\$@"; s=\$?
case " \$* " in *" --part 2/"*) exit 3 ;; esac
exit \$s
SH
chmod +x three-tolvane
status=0; "$table" -q "${in_parts[@]}" --tolvane ./three-tolvane --cases list.csv 2>three.err || status=$?
check "a part that exits 3: exit status 1" test $status -eq 1
check "a part that exits 3: named" grep -q '^tolvane-table: part 2 of 4 (rows 2 to 2 of the list) failed: exit status 3$' three.err
status=0; "$table" -q "${in_parts[@]}" --tolvane "$tolvane" --cases list.csv 2>good.err || status=$?
check "then the program itself: exit status 0" test $status -eq 0
check "then the program itself: the rows of one run" \
  diff <(cut -d, -f1-13,15- list.results.csv) <(cut -d, -f1-13,15- list.single.csv)

# ---- parts of another program, other limits or a rebuilt program ----
limits=$(dirname "$tolvane")/tolvane-limits
cp "$tolvane" my-tolvane
for program in A B; do
  printf '#!/usr/bin/env bash\n[[ " $* " != *" --part "* ]] || echo %s >>%q\nexec %q "$@"\n' \
    "$program" "$work/program.log" "$work/my-tolvane" >"tolvane-$program"
  chmod +x "tolvane-$program"
done
run_list() { "$table" -q "${in_parts[@]}" "$@" --cases list.csv 2>stale.err || true; }
run_list --tolvane ./tolvane-A
: >program.log
run_list --tolvane ./tolvane-B
check "another --tolvane: its parts ran" grep -q B program.log
: >program.log
run_list --tolvane ./tolvane-B --limits "$limits"
check "other --limits: the parts ran again" test -s program.log
: >program.log
run_list --tolvane ./tolvane-B --limits "$limits"
check "the same --limits again: nothing ran" test ! -s program.log
run_list --tolvane ./my-tolvane
touch marker
cp my-tolvane my-tolvane.new && mv -f my-tolvane.new my-tolvane
run_list --tolvane ./my-tolvane
check "a rebuilt program: the parts ran again" \
  test -n "$(find list.results.csv.parts -name '*.part' -newer marker)"

# ---- the lock ----
# A limit command that leaves a daemon behind, out of its process group:
# the daemon must not keep the parts directory locked.
daemon="setsid -f sh -c 'echo \$\$ >>\"$work/daemon.pid\"; exec sleep 60' </dev/null >/dev/null 2>&1; exec '$limits'"
printf '1\n6 6\n4 4\n1e-6 1e-8 0\nd.rep\n2 2\n' >d.in
status=0; "$table" -q "${in_parts[@]}" --tolvane "$tolvane" --remote-tolvane "$tolvane" --limits "$daemon" d.in >/dev/null 2>lock.err || status=$?
check "a limit command that starts a daemon: exit status 0" test $status -eq 0
for _ in $(seq 50); do [ -s daemon.pid ] && break; sleep 0.1; done
sed -i 's/^6 6/7 7/' d.in
status=0; "$table" -q "${in_parts[@]}" --tolvane "$tolvane" --remote-tolvane "$tolvane" --limits "$daemon" d.in >/dev/null 2>lock.err || status=$?
check "a daemon of the limit command: the next run is not locked out" test $status -eq 0
check "a daemon of the limit command: no lock refusal" test ! -s lock.err
# The daemons, by the ids they wrote.
for _ in $(seq 50); do [ -s daemon.pid ] && break; sleep 0.1; done
while read -r pid; do kill "$pid" 2>/dev/null || true; done <daemon.pid

# ---- a TERM ends the run ----
# kill, timeout and Slurm's time limit send TERM: the run ends with what it
# runs (tolvane here, GNU parallel and its parts elsewhere), says so and
# exits 130, leaving no results file. A case that runs for minutes keeps it
# busy; its processes are known by the list's path.
echo "2,10,0.1,0.001,1e-13,1e-14,0" >slow.csv
mine=$work/slow
# The processes whose command line matches the extended regular expression
# PATTERN: their ids and command lines, from /proc.
procs() {
  local d line
  for d in /proc/[0-9]*; do
    line=$(tr '\0' ' ' 2>/dev/null <"$d/cmdline") || continue
    [[ -n $line && $line =~ $1 ]] && echo "${d#/proc/} $line"
  done
  return 0
}
none_left() { [ -z "$(procs "$mine" | tee /dev/stderr)" ]; }
for where in here parts; do
  opts=(); [ $where = here ] || opts=("${in_parts[@]}")
  rm -f slow.results.csv
  "$table" -q "${opts[@]}" --cases "$work/slow.csv" >/dev/null 2>term-$where.err & runner=$!
  # Until its tolvane is computing the case (the runner names it by a path of its own).
  until=$((SECONDS + 30))
  while [ $SECONDS -lt $until ] && [ -z "$(procs "/tolvane --cases .*$mine")" ]; do sleep 0.1; done
  sleep 0.5
  kill -TERM $runner || true
  status=0; timeout 30 tail --pid=$runner -f /dev/null || status=$?
  check "TERM, $where: the runner ended" test $status -eq 0
  status=0; wait $runner || status=$?
  check "TERM, $where: exit status 130" test $status -eq 130
  check "TERM, $where: said so" grep -q '^tolvane-table: interrupted' term-$where.err
  check "TERM, $where: no results file" test ! -e slow.results.csv
  until=$((SECONDS + 5))
  while [ $SECONDS -lt $until ] && ! none_left 2>/dev/null; do sleep 0.1; done
  check "TERM, $where: nothing of the run left" none_left
  for pid in $(procs "$mine" | cut -d' ' -f1); do kill -KILL "$pid" 2>/dev/null || true; done
done
finish
