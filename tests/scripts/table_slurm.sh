# tolvane-table --slurm on a real single-node Slurm: the array job and the
# merge step it writes are submitted as it says, the merge after the array
# job, and give one run's report, terminal output and tolvane.int.
source "$(dirname "$0")/lib.sh"
source "$src/tests/scripts/engines.sh"

start_slurm
check "the Slurm daemons listen on the loopback only" loopback_only "$slurmctld_port" "$slurmd_port"

printf '2\n6 7\n3 4\n1e-6 1e-8 0\ntwo.rep\n2 2\n' >two.in
single_run single two.in
mkdir slurm && cp two.in slurm/ && cd slurm
status=0; "$table" --slurm --tolvane "$tolvane" two.in 2>slurm.err || status=$?
check "--slurm: exit status 0" test $status -eq 0
check "--slurm: an array of four tasks" grep -qx '#SBATCH --array=1-4' two.rep.parts/slurm-array.sh

# Submitted as the runner says, with the merge step waited for.
submit=$(grep -m1 '^  jid=.*sbatch --parsable' slurm.err)
check "--slurm: says how to submit" test -n "$submit"
status=0
eval "$submit" >submitted.txt || status=$?
submitted=$(cat submitted.txt)
check "sbatch takes both jobs" test $status -eq 0
array_job=$jid
merge_job=$(sed -n 's/^Submitted batch job \([0-9][0-9]*\)$/\1/p' <<<"$submitted")
[ -n "$array_job" ] && [ -n "$merge_job" ] || engine_failure "no job numbers from sbatch: $submitted"
states=$(await_job "$merge_job" 120) || engine_failure "the merge step did not end"
tasks=$(await_job "$array_job" 10) || engine_failure "the array job did not end"
echo "$tasks"; echo "$states"
check "--slurm: every array task completed" test "$(grep -c 'JobState=COMPLETED ExitCode=0:0' <<<"$tasks")" -eq 4
check "--slurm: the merge step completed" grep -q 'JobState=COMPLETED ExitCode=0:0' <<<"$states"
check "--slurm: each task wrote its own Slurm output" test "$(ls two.rep.parts/slurm-"$array_job"_*.out | wc -l)" -eq 4
check "--slurm: report as one run's" same_masked ../single/two.rep two.rep
check "--slurm: tolvane.int as one run's" cmp ../single/tolvane.int tolvane.int
check "--slurm: terminal output as one run's" same_masked ../single/terminal.txt two.rep.parts/merged-terminal.txt
finish
