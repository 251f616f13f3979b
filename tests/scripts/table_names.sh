# Every name tolvane-table is given is data: input, report, case list and
# directory names, the --tolvane path and the --limits command reach tolvane,
# GNU parallel and the Slurm scripts without running as code, and whatever
# they hold (a line end at their end included) they name what they name. Each
# hostile name would leave a file named pwned somewhere under the work
# directory.
source "$(dirname "$0")/lib.sh"

limits=$(dirname "$tolvane")/tolvane-limits
no_marker() { test -z "$(find "$work" -name 'pwned*' -print -quit)"; }
hostile=$'n\nl \'q\' "d" $(touch pwned1) `touch pwned2` \\t {} {#} {= $_="pwned3" =};touch pwned4'

printf '1\n5 6\n1 1\n1e-6 1e-8 0\n-rep.rep\n1 2\n' >one.in
single_run single one.in

# An input file that perl would take for its own -e switch, whose report name
# starts with '-' too.
for where in here parts; do
  opts=(-q -j 2 --tolvane "$tolvane"); [ $where = here ] || opts+=("${in_parts[@]}")
  mkdir perl-$where && cp one.in "perl-$where/-eBEGIN{system(q(touch pwned))}"
  status=0
  (cd perl-$where && "$table" "${opts[@]}" -- '-eBEGIN{system(q(touch pwned))}' >terminal.txt 2>err.txt) || status=$?
  check "$where: input named -eBEGIN{...}: exit status 0" test $status -eq 0
  check "$where: input named -eBEGIN{...}: no message" test ! -s perl-$where/err.txt
  check "$where: report named -rep.rep: as one run's" same_masked single/-rep.rep perl-$where/-rep.rep
  check "$where: input named -eBEGIN{...}: terminal output as one run's" same_masked single/terminal.txt perl-$where/terminal.txt
  check "$where: input named -eBEGIN{...}: no code ran" no_marker
done

# GNU parallel leaves the --limits command alone, and the --tolvane path too.
mkdir braces "braces/$hostile" && cp one.in braces/ && ln -s "$tolvane" "braces/$hostile/tolvane"
status=0
(cd braces && "$table" -q -j 2 "${in_parts[@]}" --split df --tolvane "$hostile/tolvane" \
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

# Names that end in a line end: a directory holding the case list, the
# directory a table runs in, and an input file's own name (which the
# input-file run cannot be given on its standard input).
nl=$'nl\n'
mkdir "$nl" && printf '1,10,1,0.9,1e-6,1e-8,0\n1,abc,1,0.9,1e-6,1e-8,0\n' >"$nl/list.csv"
"$tolvane" --cases "$nl/list.csv" >nl-single.csv
for where in here parts; do
  opts=(-q --tolvane "$tolvane"); [ $where = here ] || opts+=("${in_parts[@]}")
  rm -f "$nl/list.results.csv"
  status=0; "$table" "${opts[@]}" --cases "$nl/list.csv" 2>nl.err || status=$?
  check "$where: a list in a directory whose name ends in a line end: exit status 0" test $status -eq 0
  check "$where: ... its results beside it" diff <(cut -d, -f1-13,15- "$nl/list.results.csv") <(cut -d, -f1-13,15- nl-single.csv)
  mkdir "$where$nl" && cp one.in "$where$nl/"
  status=0; (cd "$where$nl" && "$table" "${opts[@]}" one.in >terminal.txt 2>err.txt) || status=$?
  check "$where: a table run in a directory whose name ends in a line end: exit status 0" test $status -eq 0
  check "$where: ... report as one run's" same_masked single/-rep.rep "$where$nl/-rep.rep"
  check "$where: ... terminal output as one run's" same_masked single/terminal.txt "$where$nl/terminal.txt"
done
mkdir named && cp one.in "named/one$nl"
status=0; (cd named && "$table" -q --tolvane "$tolvane" "one$nl" >terminal.txt 2>err.txt) || status=$?
check "an input file whose name ends in a line end: exit status 0" test $status -eq 0
check "an input file whose name ends in a line end: report as one run's" same_masked single/-rep.rep named/-rep.rep

# A relative --limits command is found as the user typed it, here and in
# parts on this machine.
printf '#!/bin/sh\nexec %q "$@"\n' "$limits" >my-limits && chmod +x my-limits
for where in here parts; do
  opts=(-q --tolvane "$tolvane" --limits ./my-limits); [ $where = here ] || opts+=("${in_parts[@]}")
  mkdir "rel-$where" && cp one.in my-limits "rel-$where/"
  status=0; (cd "rel-$where" && "$table" "${opts[@]}" one.in >terminal.txt 2>err.txt) || status=$?
  check "$where: --limits ./my-limits: exit status 0" test $status -eq 0
  check "$where: --limits ./my-limits: report as one run's" same_masked single/-rep.rep "rel-$where/-rep.rep"
done
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
check "--slurm in a hostile directory: the scripts written" test -f -one.in.parts/slurm-array.sh -a -f -one.in.parts/slurm-merge.sh
check "--slurm in a hostile directory: no directive holds the name" \
  test -z "$(grep -a '^#SBATCH --output' -- -one.in.parts/slurm-array.sh -one.in.parts/slurm-merge.sh)"
for task in 1 2; do
  (cd "$work" && TOLVANE_B=$work/slurm-b.txt SLURM_ARRAY_TASK_ID=$task bash "$slurm/-one.in.parts/slurm-array.sh")
done
status=0; (cd "$work" && bash "$slurm/-one.in.parts/slurm-merge.sh") || status=$?
check "--slurm in a hostile directory: the merge step exits 0" test $status -eq 0
check "--slurm in a hostile directory: report as one run's" same_masked "$work/single/-rep.rep" -rep.rep
check "--slurm in a hostile directory: --limits as written" test "$(sort -u "$work/slurm-b.txt")" = '{} $(touch pwned6)'
cd "$work"
check "--slurm in a hostile directory: no code ran" no_marker

finish
