# tolvane-table --slurm on a real single-node Slurm: the array job and the
# merge step it writes are submitted as it says, the merge after the array
# job, and give one run's report, terminal output and tolvane.int.
source "$(dirname "$0")/lib.sh"
source "$src/tests/scripts/engines.sh"

start_slurm
check "the Slurm daemons listen on the loopback only" loopback_only "$slurmctld_port" "$slurmd_port"

# Writes the scripts for INPUT in directory DIR (runner options follow) and
# submits them with the command the runner prints; sets array_job, merge_job.
submit_table() {
  local dir=$1 input=$2; shift 2
  mkdir "$dir" && cp "$input" "$dir/" && cd "$dir"
  local status=0
  "$table" --slurm "$@" --tolvane "$tolvane" "$input" 2>slurm.err || status=$?
  check "$dir: --slurm exit status 0" test $status -eq 0
  check "$dir: an array of four tasks" grep -qx '#SBATCH --array=1-4' ./*.parts/slurm-array.sh
  local submit jid=""
  submit=$(grep -m1 '^  jid=.*sbatch --parsable' slurm.err) || engine_failure "$dir: --slurm does not say how to submit"
  status=0; eval "$submit" >submitted.txt || status=$?
  check "$dir: sbatch takes both jobs" test $status -eq 0
  array_job=$jid
  merge_job=$(sed -n 's/^Submitted batch job \([0-9][0-9]*\)$/\1/p' submitted.txt)
  [ -n "$array_job" ] && [ -n "$merge_job" ] || engine_failure "$dir: no job numbers from sbatch: $(cat submitted.txt)"
  cd "$work"
}

# Waits for DIR's merge step and checks its jobs and its files against SINGLE's.
check_table() {
  local dir=$1 single=$2 report=$3 input=$4 array_job=$5 merge_job=$6 merge tasks
  merge=$(await_job "$merge_job" 120) || engine_failure "$dir: the merge step did not end"
  tasks=$(await_job "$array_job" 10) || engine_failure "$dir: the array job did not end"
  printf '%s\n' "$tasks" "$merge"
  check "$dir: every array task completed" test "$(grep -c 'JobState=COMPLETED ExitCode=0:0' <<<"$tasks")" -eq 4
  check "$dir: the merge step completed" grep -q 'JobState=COMPLETED ExitCode=0:0' <<<"$merge"
  check "$dir: each task wrote its own Slurm output" test "$(ls "$dir/$input.parts/slurm-${array_job}"_*.out | wc -l)" -eq 4
  check "$dir: report as one run's" same_masked "$single/$report" "$dir/$report"
  check "$dir: terminal output as one run's" same_masked "$single/terminal.txt" "$dir/$input.parts/merged-terminal.txt"
}

# Two tables at once: a two-sided one in the runner's own parts, and a
# one-sided one in parts of its own choosing, which the merge step must keep.
printf '2\n6 7\n3 4\n1e-6 1e-8 0\ntwo.rep\n2 2\n' >two.in
printf '1\n5 6\n1 2\n1e-6 1e-8 0\none.rep\n1 3\n' >one.in
single_run single-two two.in
single_run single-one one.in
submit_table slurm-two two.in --split case
two_jobs=("$array_job" "$merge_job")
submit_table slurm-one one.in --split df
one_jobs=("$array_job" "$merge_job")

check_table slurm-two single-two two.rep two.in "${two_jobs[@]}"
check "slurm-two: tolvane.int as one run's" cmp single-two/tolvane.int slurm-two/tolvane.int
check_table slurm-one single-one one.rep one.in "${one_jobs[@]}"
# --submit: the runner submits the array job itself, waits for it and puts
# the parts together, in a directory whose name a shell would misread.
sub="$work/slurm submit \$(it's)"
mkdir "$sub" && cp two.in "$sub/" && cd "$sub"
status=0
"$table" --slurm --submit --split df --tolvane "$tolvane" two.in >terminal.txt 2>submit.err || status=$?
cat submit.err
check "--submit: exit status 0" test $status -eq 0
check "--submit: said which job it waited for" grep -q 'submitted the Slurm array job [0-9][0-9]* (2 tasks)' submit.err
check "--submit: report as one run's" same_masked "$work/single-two/two.rep" two.rep
check "--submit: tolvane.int as one run's" cmp "$work/single-two/tolvane.int" tolvane.int
check "--submit: terminal output as one run's" same_masked "$work/single-two/terminal.txt" terminal.txt

# A part whose task fails is named and the run's exit status is 1; the
# finished part is kept and a rerun submits only the failed one (the program
# the same: another would run every part again).
printf '#!/bin/sh\n[ "${SLURM_ARRAY_TASK_ID:-}" != 2 ] || [ ! -e fail-now ] || exit 7\nexec %q "$@"\n' "$tolvane" >fails-second.sh
chmod +x fails-second.sh
touch fail-now
rm -rf two.in.parts two.rep tolvane.int
status=0
"$table" --slurm --submit --split df --tolvane ./fails-second.sh two.in >/dev/null 2>submit.err || status=$?
cat submit.err
check "--submit with a failing task: exit status 1" test $status -eq 1
check "--submit with a failing task: names it" grep -q '^tolvane-table: part 2 of 2 (cases 3 to 4 of 4) failed: exit status 7$' submit.err
check "--submit with a failing task: no report" test ! -e two.rep
rm fail-now
status=0
"$table" --slurm --submit --split df --tolvane ./fails-second.sh two.in >/dev/null 2>submit.err || status=$?
check "--submit rerun: exit status 0" test $status -eq 0
check "--submit rerun: only the failed part submitted" grep -q '(1 task)' submit.err
check "--submit rerun: report as one run's" same_masked "$work/single-two/two.rep" two.rep

# A case list: each slice an array task, the rows those of one tolvane --cases run.
printf '1,abc,1,0.9,1e-6,1e-8,0\n1,10,1,0.9,1e-6,1e-8,0\n2,10,1,0.95,1e-6,1e-8,0\n' >list.csv
"$tolvane" --cases list.csv >list.single.csv
status=0
"$table" -q --slurm --submit --tolvane "$tolvane" --cases list.csv 2>list.err || status=$?
cat list.err
check "case list --submit: exit status 0" test $status -eq 0
check "case list --submit: the rows of one tolvane --cases run" \
  diff <(cut -d, -f1-13,15- list.results.csv) <(cut -d, -f1-13,15- list.single.csv)

# --timeout bounds the wait: the job still running then is cancelled, and
# its unfinished part is named.
printf '#!/bin/sh\n[ "${SLURM_ARRAY_TASK_ID:-}" != 2 ] || sleep 120\nexec %q "$@"\n' "$tolvane" >slow-second.sh
chmod +x slow-second.sh
rm -rf two.in.parts two.rep tolvane.int
status=0 started=$SECONDS
"$table" --slurm --submit --timeout 2 --split df --tolvane ./slow-second.sh two.in >/dev/null 2>submit.err || status=$?
cat submit.err
check "--submit --timeout: exit status 1" test $status -eq 1
check "--submit --timeout: ended within a minute" test $((SECONDS - started)) -lt 60
check "--submit --timeout: says it cancelled the job" grep -q 'not done after 2 s (--timeout); cancelling it' submit.err
check "--submit --timeout: names the part" grep -q '^tolvane-table: part 2 of 2 (cases 3 to 4 of 4) failed: ' submit.err
check "--submit --timeout: no report" test ! -e two.rep

# sbatch refusing the job is the usage error's status, with sbatch's words.
mkdir refusing && printf '#!/bin/sh\necho "sbatch: error: no such partition" >&2\nexit 1\n' >refusing/sbatch
chmod +x refusing/sbatch
rm -rf two.in.parts
status=0
PATH="$sub/refusing:$PATH" "$table" --slurm --submit --tolvane "$tolvane" two.in >/dev/null 2>submit.err || status=$?
check "refused by sbatch: exit status 2" test $status -eq 2
check "refused by sbatch: says so" grep -q 'no such partition' submit.err
status=0
"$table" --submit --tolvane "$tolvane" two.in 2>submit.err || status=$?
check "--submit without --slurm: exit status 2" test $status -eq 2
cd "$work"
finish
