# Every name tolvane-table is given is data: input, report, case list and
# directory names, the --tolvane path and the --limits command reach perl,
# awk, GNU parallel and the Slurm scripts without running as code. Each hostile
# name would leave a file named pwned somewhere under the work directory.
source "$(dirname "$0")/lib.sh"

limits=$(dirname "$tolvane")/tolvane-limits
no_marker() { test -z "$(find "$work" -name 'pwned*' -print -quit)"; }
hostile=$'n\nl \'q\' "d" $(touch pwned1) `touch pwned2` \\t {} {#} {= $_="pwned3" =};touch pwned4'

printf '1\n5 6\n1 1\n1e-6 1e-8 0\n-rep.rep\n1 2\n' >one.in
single_run single one.in

# An input file that perl would take for its own -e switch, whose report name
# starts with '-' too.
mkdir perl && cp one.in 'perl/-eBEGIN{system(q(touch pwned))}'
status=0
(cd perl && "$table" -q -j 2 --tolvane "$tolvane" -- '-eBEGIN{system(q(touch pwned))}' >terminal.txt 2>err.txt) || status=$?
check "input named -eBEGIN{...}: exit status 0" test $status -eq 0
check "input named -eBEGIN{...}: run in parts, no perl message" \
  test "$(grep -vc '^tolvane-table: 4 cases; search notes' perl/err.txt)" -eq 0
check "report named -rep.rep: as one run's" same_masked single/-rep.rep perl/-rep.rep
check "input named -eBEGIN{...}: terminal output as one run's" same_masked single/terminal.txt perl/terminal.txt
check "input named -eBEGIN{...}: no code ran" no_marker

# GNU parallel leaves the --limits command alone, and the --tolvane path too.
mkdir braces "braces/$hostile" && cp one.in braces/ && ln -s "$tolvane" "braces/$hostile/tolvane"
status=0
(cd braces && "$table" -q -j 2 --split df --tolvane "$hostile/tolvane" \
   --limits "echo '{} {#} {= \$_=\"pwned5\" =}' >>'$work/braces/b.txt'; exec '$limits'" one.in >terminal.txt) || status=$?
check "braces in --limits and --tolvane: exit status 0" test $status -eq 0
check "braces in --limits: the command ran as written" \
  test "$(sort -u braces/b.txt)" = '{} {#} {= $_="pwned5" =}'
check "braces in --limits: report as one run's" same_masked single/-rep.rep braces/-rep.rep
check "braces in --limits and --tolvane: no code ran" no_marker

# A case list whose name starts with '-', in a directory whose name holds
# everything at once: refusal reasons come through whole.
mkdir "$hostile" && printf '1,abc,1,0.9,1e-6,1e-8,0\n1,10,1,0.9,1e-6,1e-8,0\n' >"$hostile/-c.csv"
status=0; (cd "$hostile" && "$table" -q --tolvane "$tolvane" --cases -c.csv 2>err.txt) || status=$?
check "case list named -c.csv: exit status 0" test $status -eq 0
check "case list named -c.csv: results beside it" test -f "$hostile/-c.results.csv"
check "case list in a hostile directory: refusal reason kept" \
  grep -q "refused,.*df 'abc' is not a number" "$hostile/-c.results.csv"
check "case list in a hostile directory: the case ran" grep -q '^1,10,1,0.9,1e-6,1e-8,0,ok,' "$hostile/-c.results.csv"
check "case list in a hostile directory: no code ran" no_marker

# Slurm scripts written in a directory whose name holds a line end, quotes,
# $( ), backquotes, a backslash and braces, with such a --limits command: the
# tasks and the merge run as written and write the table.
slurm=$work/slurm/$hostile
# The input is named like an option, which the merge step must not take for one.
mkdir -p "$slurm" && cp one.in "$slurm/-one.in" && cd "$slurm"
status=0
"$table" --slurm --split df --tolvane "$tolvane" \
  --limits "echo '{} \$(touch pwned6)' >>\"\$TOLVANE_B\"; exec '$limits'" -- -one.in 2>slurm.err || status=$?
check "--slurm in a hostile directory: exit status 0" test $status -eq 0
check "--slurm in a hostile directory: no directive holds the name" \
  test -z "$(grep -a '^#SBATCH --output' -- -rep.rep.parts/slurm-array.sh -rep.rep.parts/slurm-merge.sh)"
for task in 1 2; do
  (cd "$work" && TOLVANE_B=$work/slurm-b.txt SLURM_ARRAY_TASK_ID=$task bash "$slurm/-rep.rep.parts/slurm-array.sh")
done
status=0; (cd "$work" && bash "$slurm/-rep.rep.parts/slurm-merge.sh") || status=$?
check "--slurm in a hostile directory: the merge step exits 0" test $status -eq 0
check "--slurm in a hostile directory: report as one run's" same_masked "$work/single/-rep.rep" -rep.rep
check "--slurm in a hostile directory: --limits as written" test "$(sort -u "$work/slurm-b.txt")" = '{} $(touch pwned6)'
cd "$work"
check "--slurm in a hostile directory: no code ran" no_marker
finish
