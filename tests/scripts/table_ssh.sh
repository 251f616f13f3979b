# tolvane-table on other machines through a real sshd on the loopback: two
# logins that land in homes of their own are two machines. The parts travel
# there with rsync, run with the tolvane on that machine's PATH, come back,
# and are cleaned up; the result is one run's.
source "$(dirname "$0")/lib.sh"
source "$src/tests/scripts/engines.sh"

start_sshd 2
check "sshd listens on the loopback only" loopback_only "${ssh_ports[@]}"
for bin in "${ssh_bins[@]}"; do ln -s "$tolvane" "$bin/tolvane"; done
logins=(-S "ssh -F $ssh_config machine1" -S "ssh -F $ssh_config machine2")

# Four parts (two levels, two dfs), one at a time on each machine.
printf '2\n6 7\n3 4\n1e-6 1e-8 0\ntwo.rep\n2 2\n' >two.in
single_run single two.in
mkdir par && cp two.in par/
status=0
(cd par && "$table" -q -j 1 "${logins[@]}" --tolvane "$tolvane" two.in >terminal.txt 2>err.txt) || status=$?
[ $status -eq 0 ] || cat par/err.txt >&2
check "two machines: exit status 0" test $status -eq 0
check "two machines: report as one run's" same_masked single/two.rep par/two.rep
check "two machines: tolvane.int as one run's" cmp single/tolvane.int par/tolvane.int
check "two machines: terminal output as one run's" same_masked single/terminal.txt par/terminal.txt
# GNU parallel's job log names the machine of each part in its second column.
machines_used() { awk -F'\t' 'NR > 1 { print $2 }' par/two.rep.parts/joblog | sort -u | wc -l; }
check "two machines: both ran parts" test "$(machines_used)" -eq 2
check "two machines: both are left clean" test -z "$(find "${ssh_homes[@]}" -mindepth 1)"

# A rerun after a part was lost runs only it, on whichever machine.
rm -rf par/two.rep.parts/L07-D4-S2
status=0
(cd par && "$table" -q -j 1 "${logins[@]}" --tolvane "$tolvane" two.in >terminal.txt 2>err.txt) || status=$?
[ $status -eq 0 ] || cat par/err.txt >&2
check "rerun: exit status 0" test $status -eq 0
check "rerun: only the lost part ran" test "$(awk 'NR > 1' par/two.rep.parts/joblog | wc -l)" -eq 1
check "rerun: report as one run's" same_masked single/two.rep par/two.rep
check "rerun: tolvane.int as one run's" cmp single/tolvane.int par/tolvane.int

# A machine without tolvane fails its parts, named, and keeps no report.
rm "${ssh_bins[1]}/tolvane"
mkdir lacking && cp two.in lacking/
status=0
(cd lacking && "$table" -q -j 4 -S "ssh -F $ssh_config machine2" --tolvane "$tolvane" two.in >terminal.txt 2>err.txt) ||
  status=$?
[ $status -eq 1 ] || { echo "exit status $status:" >&2; cat lacking/err.txt >&2; }
check "a machine without tolvane: exit status 1" test $status -eq 1
check "a machine without tolvane: its parts are named as failed" grep -q 'part L06-D3-S2 .* failed' lacking/err.txt
check "a machine without tolvane: no report" test ! -e lacking/two.rep
finish
