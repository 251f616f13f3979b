# tolvane-table on other machines through a real sshd on the loopback: two
# logins that land in homes of their own are two machines. The parts travel
# there with rsync, run with the tolvane on that machine's PATH, come back,
# and are cleaned up; the result is one run's. A part that fails there runs
# again, alone, when the run is run again.
source "$(dirname "$0")/lib.sh"
source "$src/tests/scripts/engines.sh"

start_sshd 2
check "sshd listens on the loopback only" loopback_only "${ssh_ports[@]}"
for bin in "${ssh_bins[@]}"; do ln -s "$tolvane" "$bin/tolvane"; done
logins=(-S "ssh -F $ssh_config machine1" -S "ssh -F $ssh_config machine2")

# Four parts (a case each), one at a time on each machine.
printf '2\n6 7\n3 4\n1e-6 1e-8 0\ntwo.rep\n2 2\n' >two.in
single_run single two.in
mkdir par && cp two.in par/
status=0
(cd par && "$table" -q -j 1 --split case "${logins[@]}" --tolvane "$tolvane" two.in >terminal.txt 2>err.txt) || status=$?
[ $status -eq 0 ] || cat par/err.txt >&2
check "two machines: exit status 0" test $status -eq 0
check "two machines: report as one run's" same_masked single/two.rep par/two.rep
check "two machines: tolvane.int as one run's" cmp single/tolvane.int par/tolvane.int
check "two machines: terminal output as one run's" same_masked single/terminal.txt par/terminal.txt
# GNU parallel's job log names the machine of each part in its second column.
machines_used() { awk -F'\t' 'NR > 1 { print $2 }' par/two.in.parts/*/joblog | sort -u | wc -l; }
check "two machines: both ran parts" test "$(machines_used)" -eq 2
check "two machines: both are left clean" test -z "$(find "${ssh_homes[@]}" -mindepth 1)"

# A rerun of a finished run runs nothing.
status=0
(cd par && "$table" -j 1 --split case "${logins[@]}" --tolvane "$tolvane" two.in >terminal.txt 2>err.txt) || status=$?
check "rerun: exit status 0" test $status -eq 0
check "rerun: nothing ran" grep -q 'all 4 parts finished before' par/err.txt
check "rerun: report as one run's" same_masked single/two.rep par/two.rep
check "rerun: tolvane.int as one run's" cmp single/tolvane.int par/tolvane.int

# The --limits command reaches the other machine as written: GNU parallel's
# replacement strings and the remote shell leave it alone.
limits=$(dirname "$tolvane")/tolvane-limits
mkdir lim && cp two.in lim/
status=0
(cd lim && "$table" -q -S "ssh -F $ssh_config machine1" --tolvane "$tolvane" \
   --limits "echo '{} {#} \$(touch pwned)
\"q\"' >>'$work/b.txt'; exec '$limits'" two.in >terminal.txt 2>err.txt) || status=$?
[ $status -eq 0 ] || cat lim/err.txt >&2
check "--limits on another machine: exit status 0" test $status -eq 0
check "--limits on another machine: report as one run's" same_masked single/two.rep lim/two.rep
check "--limits on another machine: the command ran as written" \
  test "$(sort -u b.txt | tr '\n' '|')" = '"q"|{} {#} $(touch pwned)|'
check "--limits on another machine: no code ran" test -z "$(find "$work" -name pwned)"

# A case list on the other machine: the slices travel with the list.
printf '1,abc,1,0.9,1e-6,1e-8,0\n1,10,1,0.9,1e-6,1e-8,0\n2,10,1,0.95,1e-6,1e-8,0\n' >list.csv
"$tolvane" --cases list.csv >list.single.csv
status=0
"$table" -q -S "ssh -F $ssh_config machine1" --tolvane "$tolvane" --cases list.csv 2>list.err || status=$?
[ $status -eq 0 ] || cat list.err >&2
check "case list on another machine: exit status 0" test $status -eq 0
check "case list on another machine: the rows of one tolvane --cases run" \
  diff <(cut -d, -f1-13,15- list.results.csv) <(cut -d, -f1-13,15- list.single.csv)
check "case list on another machine: left clean" test -z "$(find "${ssh_homes[0]}" -mindepth 1)"

# Two runs at once from two directories share one machine: their parts have
# the same names but other tolerances, and travel under a name for each run,
# so neither runs, takes or cleans up the other's files.
sed 's/^1e-6 /1e-5 /' two.in >other.in
single_run single-other other.in
mkdir shared-a shared-b && cp two.in shared-a/ && cp other.in shared-b/
(cd shared-a && "$table" -q -j 2 --split level -S "ssh -F $ssh_config machine1" --tolvane "$tolvane" two.in \
   >terminal.txt 2>err.txt; echo $? >status) &
a=$!
(cd shared-b && "$table" -q -j 2 --split level -S "ssh -F $ssh_config machine1" --tolvane "$tolvane" other.in \
   >terminal.txt 2>err.txt; echo $? >status) &
wait $a $!
for d in shared-a shared-b; do
  [ "$(cat $d/status)" = 0 ] || cat $d/err.txt >&2
  check "one machine, two runs: $d exit status 0" test "$(cat $d/status)" = 0
done
check "one machine, two runs: the first's report as one run's" same_masked single/two.rep shared-a/two.rep
check "one machine, two runs: the first's tolvane.int as one run's" cmp single/tolvane.int shared-a/tolvane.int
check "one machine, two runs: the second's report as one run's" same_masked single-other/two.rep shared-b/two.rep
check "one machine, two runs: the second's tolvane.int as one run's" cmp single-other/tolvane.int shared-b/tolvane.int
check "one machine, two runs: left clean" test -z "$(find "${ssh_homes[0]}" -mindepth 1)"

# A machine without tolvane fails its parts, named, and keeps no report; once
# it has tolvane, a rerun runs only those parts.
rm "${ssh_bins[1]}/tolvane"
mkdir lacking && cp two.in lacking/
status=0
(cd lacking && "$table" -q -j 1 --split case "${logins[@]}" --tolvane "$tolvane" two.in >terminal.txt 2>err.txt) ||
  status=$?
[ $status -eq 1 ] || { echo "exit status $status:" >&2; cat lacking/err.txt >&2; }
check "a machine without tolvane: exit status 1" test $status -eq 1
check "a machine without tolvane: its parts are named as failed" grep -q 'part [1-4] of 4 (cases . to . of 4) failed: exit status 127' lacking/err.txt
check "a machine without tolvane: no report" test ! -e lacking/two.rep
failed=$(grep -c 'failed: exit status 127' lacking/err.txt)
ln -s "$tolvane" "${ssh_bins[1]}/tolvane"
status=0
(cd lacking && "$table" -q -j 1 --split case "${logins[@]}" --tolvane "$tolvane" two.in >terminal.txt 2>err.txt) || status=$?
check "then with tolvane: exit status 0" test $status -eq 0
check "then with tolvane: only the failed parts ran again" \
  test "$(awk 'NR > 1' lacking/two.in.parts/*/joblog | wc -l)" -eq $((4 + failed))
check "then with tolvane: report as one run's" same_masked single/two.rep lacking/two.rep
check "then with tolvane: both machines left clean" test -z "$(find "${ssh_homes[@]}" -mindepth 1)"
finish
