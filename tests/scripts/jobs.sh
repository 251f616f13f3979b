# tolvane --jobs: cases side by side in one process, written as one case at a
# time writes them: the terminal, the report and tolvane.int of an input-file
# run, and the rows of a case list, the same for any number of workers.
source "$(dirname "$0")/lib.sh"
limits=$build/tolvane-limits

# Two-sided: df 2 at alpha 0.01 writes the searches' notes, df 100 at sigma 10
# and alpha 0.001 crosses its limits (fault records); loose tolerances keep it short.
printf '2\n1 3\n1 2\n1e-3 1e-6 0\ntwo.rep\n1 3\n' >two.in
printf '1\n1 10\n4 5\n1e-4 1e-7 0\none.rep\n2 2\n' >one.in
run_with() {  # DIR INPUT JOBS: the input-file run in DIR with -j JOBS
  mkdir -p "$1"; cp "$2" "$1/"
  (cd "$1" && printf '2\n%s\n' "$2" | "$tolvane" -j "$3" >terminal.txt 2>stderr.txt; echo $? >status)
}
for input in two.in one.in; do
  name=${input%.in}
  run_with "$name-1" $input 1
  for jobs in 2 3; do
    run_with "$name-$jobs" $input $jobs
    check "$name, -j $jobs: exit status as -j 1" test "$(cat $name-$jobs/status)" = "$(cat $name-1/status)"
    for f in terminal.txt $name.rep; do
      check "$name, -j $jobs: $f as -j 1" same_masked "$name-1/$f" "$name-$jobs/$f"
    done
  done
done
check "two-sided: tolvane.int as -j 1" cmp two-1/tolvane.int two-3/tolvane.int
check "the two-sided run wrote the searches' notes" grep -q 'Upward walk' two-1/terminal.txt
check "the two-sided run wrote fault records" grep -q 'Limit fault:' two-1/terminal.txt

# A case list: the rows but for the seconds column.
{ echo "kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol"
  for df in 2 3 5 10; do for a in 0.05 0.9; do echo "1,$df,1,$a,1e-5,1e-8,0"; done; done
  echo "2,5,1,0.95,1e-3,1e-6,0"; echo "1,abc,1,0.9,0,0,0"; } >list.csv
seconds_blank() { awk -F, 'BEGIN {OFS=","} {$14 = ""; print}' "$1"; }
"$tolvane" --cases list.csv -j 1 >r1.csv 2>e1.txt
"$tolvane" --cases list.csv -j 3 >r3.csv 2>e3.txt
"$tolvane" --cases list.csv --jobs 0 >r0.csv 2>e0.txt
check "case list: -j 3 rows as -j 1" diff <(seconds_blank r1.csv) <(seconds_blank r3.csv)
check "case list: --jobs 0 rows as -j 1" diff <(seconds_blank r1.csv) <(seconds_blank r0.csv)
check "case list: eleven rows and the heading" test "$(wc -l <r3.csv)" -eq 11

# With --limits each worker asks a command of its own: two commands for two
# workers, and the same rows as one worker with one command.
cat >wrap.sh <<SH
#!/bin/sh
echo \$\$ >>"$work/pids"
exec "$limits"
SH
chmod +x wrap.sh
"$tolvane" --cases list.csv -j 1 --limits "$work/wrap.sh" >l1.csv 2>/dev/null
one=$(sort -u pids | wc -l); rm -f pids
"$tolvane" --cases list.csv -j 2 --limits "$work/wrap.sh" >l2.csv 2>/dev/null
check "--limits, -j 1: one command" test "$one" -eq 1
check "--limits, -j 2: a command for each worker" test "$(sort -u pids | wc -l)" -eq 2
check "--limits, -j 2: the rows of -j 1" diff <(seconds_blank l1.csv) <(seconds_blank l2.csv)

for bad in -1 x 1025 '2 ' ''; do
  status=0; "$tolvane" --cases list.csv -j "$bad" >/dev/null 2>err.txt || status=$?
  check "-j '$bad' refused with status 2" test $status -eq 2
done
finish
