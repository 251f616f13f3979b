# tolvane-table on "other machines": GNU parallel's --sshlogin, with a stand-in
# for ssh that runs each command here in a home of its own, so the parts travel
# (rsync), run from the PATH there, come back and are cleaned up as on a real host.
source "$(dirname "$0")/lib.sh"

mkdir -p remote-home remote-bin
ln -s "$tolvane" remote-bin/tolvane
cat >fakessh <<SH
#!/usr/bin/env bash
while [ \$# -gt 0 ]; do
  case \$1 in
    -[lpoSiFOEcmJLRDWwBbeQ]) shift 2 ;;
    -*) shift ;;
    *) break ;;
  esac
done
shift                                  # the host
[ "\${1:-}" = -- ] && shift
# sshd gives the remote command the login shell in SHELL, and GNU parallel's
# worker there runs the part with it: a run started without SHELL (as CI is)
# must not hand that lack on to the stand-in host.
cd "$work/remote-home" && SHELL=/bin/bash PATH="$work/remote-bin:\$PATH" exec bash -c "\$*"
SH
chmod +x fakessh

cp "$src/examples/small-two-sided.in" two.in
single_run single two.in
mkdir par && cp two.in par/
status=0
(cd par && PARALLEL_SSH=$work/fakessh "$table" -q -S otherhost --tolvane "$tolvane" two.in >terminal.txt) || status=$?
check "on another machine: exit status 0" test $status -eq 0
check "on another machine: report as one run's" same_masked single/small-two-sided.rep par/small-two-sided.rep
check "on another machine: terminal output as one run's" same_masked single/terminal.txt par/terminal.txt
check "on another machine: tolvane.int as one run's" cmp single/tolvane.int par/tolvane.int
check "the other machine is left clean" test -z "$(ls -A remote-home)"

# The --limits command reaches the other machine as written: GNU parallel's
# replacement strings and the remote shell leave it alone.
limits=$(dirname "$tolvane")/tolvane-limits
mkdir lim && cp two.in lim/
status=0
(cd lim && PARALLEL_SSH=$work/fakessh "$table" -q -S otherhost --tolvane "$tolvane" \
   --limits "echo '{} {#} \$(touch pwned)
\"q\"' >>'$work/b.txt'; exec '$limits'" two.in >terminal.txt) || status=$?
check "--limits on another machine: exit status 0" test $status -eq 0
check "--limits on another machine: report as one run's" same_masked single/small-two-sided.rep lim/small-two-sided.rep
check "--limits on another machine: the command ran as written" \
  test "$(sort -u b.txt | tr '\n' '|')" = '"q"|{} {#} $(touch pwned)|'
check "--limits on another machine: no code ran" test -z "$(find "$work" -name pwned)"

# A case list on the other machine: the slices travel with the list.
printf '1,abc,1,0.9,1e-6,1e-8,0\n1,10,1,0.9,1e-6,1e-8,0\n2,10,1,0.95,1e-6,1e-8,0\n' >list.csv
"$tolvane" --cases list.csv >list.single.csv
status=0; PARALLEL_SSH=$work/fakessh "$table" -q -S otherhost --tolvane "$tolvane" --cases list.csv 2>list.err || status=$?
check "case list on another machine: exit status 0" test $status -eq 0
check "case list on another machine: the rows of one tolvane --cases run" \
  diff <(cut -d, -f1-13,15- list.results.csv) <(cut -d, -f1-13,15- list.single.csv)
check "case list on another machine: left clean" test -z "$(ls -A remote-home)"

# Slurm: the array job's tasks run here one by one, as sbatch would start them,
# then the merge step.
printf '1\n5 6\n1 2\n1e-6 1e-8 0\none.rep\n1 3\n' >one.in
single_run single-one one.in
mkdir slurm && cp one.in slurm/ && cd slurm
status=0; "$table" --slurm --split df --tolvane "$tolvane" one.in 2>slurm.err || status=$?
check "--slurm: exit status 0" test $status -eq 0
check "--slurm: an array of four tasks" grep -qx '#SBATCH --array=1-4' one.rep.parts/slurm-array.sh
check "--slurm: says how to submit" grep -q 'sbatch --dependency=afterany' slurm.err
for task in 1 2 3 4; do SLURM_ARRAY_TASK_ID=$task bash one.rep.parts/slurm-array.sh; done
status=0; bash one.rep.parts/slurm-merge.sh || status=$?
check "--slurm: the merge step exits 0" test $status -eq 0
check "--slurm: report as one run's" same_masked ../single-one/one.rep one.rep
check "--slurm: terminal output as one run's" same_masked ../single-one/terminal.txt one.rep.parts/merged-terminal.txt
finish
