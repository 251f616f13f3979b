# tolvane-table's outputs: files put together from parts are whole or not
# there (on a full disk the previous report, tolvane.int and results stay as
# they were, no temporary file is left, and the exit status is tolvane's 2);
# a set-up cut short by a full disk is set up again by the next run; and an
# output that is a device or a FIFO, named or behind a symbolic link, is
# written through and never replaced, a write that fails failing the run.
# The full disk is lib.sh's with_full_disk, 64 KiB.
source "$(dirname "$0")/lib.sh"

printf '1\n5 6\n1 1\n1e-6 1e-8 0\none.rep\n1 2\n' >one.in
single_run single-one one.in
printf "2\n6 6\n4 4\n1e-6 1e-8 0\n'%s/two.rep'\n2 2\n" "$work" >two.in
single_run single-two two.in
rm -f two.rep
printf '1,10,1,0.9,1e-6,1e-8,0\n1,abc,1,0.9,1e-6,1e-8,0\n1,5,1,0.95,1e-6,1e-8,0\n' >list.csv
"$tolvane" --cases list.csv >list.single.csv
# Results up to the seconds column, which is the clock's.
rows() { cut -d, -f1-13,15- "$1"; }

# ---- devices and FIFOs ----
# A null and a full device of the test's own (as root); otherwise links to
# the machine's, which a write through leaves as they are.
if mknod null c 1 3 2>/dev/null && mknod full c 1 7 2>/dev/null; then :; else
  rm -f null full; ln -s /dev/null null; ln -s /dev/full full
fi
is_device() { test -c "$1"; }
for where in here parts; do
  opts=(-q --tolvane "$tolvane"); [ $where = here ] || opts+=("${in_parts[@]}")
  status=0; "$table" "${opts[@]}" --cases list.csv -o null 2>err.txt || status=$?
  check "$where: results to a null device: exit status 0" test $status -eq 0
  check "$where: results to a null device: still a device" is_device null
  status=0; "$table" "${opts[@]}" --cases list.csv -o full 2>err.txt || status=$?
  check "$where: results to a full device: exit status 2" test $status -eq 2
  check "$where: results to a full device: says so" grep -q 'No space left on device' err.txt
  check "$where: results to a full device: still a device" is_device full
  rm -f fifo got; mkfifo fifo
  timeout 60 cat fifo >got &
  status=0; "$table" "${opts[@]}" --cases list.csv -o fifo 2>err.txt || status=$?
  wait $! || true
  check "$where: results to a FIFO: exit status 0" test $status -eq 0
  check "$where: results to a FIFO: still a FIFO" test -p fifo
  check "$where: results to a FIFO: the reader got them" diff <(rows got) <(rows list.single.csv)
  # A report named in the input file that is a link to a device.
  mkdir -p "dev-$where" && cd "dev-$where"
  ln -sf ../null one.rep && cp ../one.in .
  status=0; "$table" "${opts[@]}" one.in >terminal.txt 2>err.txt || status=$?
  check "$where: a report linked to a device: exit status 0" test $status -eq 0
  check "$where: a report linked to a device: still a device" is_device "$(readlink -f one.rep)"
  check "$where: a report linked to a device: the terminal output as one run's" \
    same_masked ../single-one/terminal.txt terminal.txt
  cd "$work"
done

export work table tolvane
with_full_disk "$work/full-disk" 65536 bash -s >inside.log 2>&1 <<'SH' || fail "the full-disk run itself: $(cat inside.log)"
set -u
cd "$work"
in_parts=(-S : --remote-tolvane "$tolvane")
fill() { dd if=/dev/zero of="$work/full-disk/filler" bs=1k count=64 2>/dev/null; return 0; }

# One-sided, put together from parts: the report on the full disk.
cp one.in full-disk/ && echo previous >full-disk/one.rep
fill
status=0; (cd full-disk && "$table" -q -j 2 "${in_parts[@]}" --dir "$work/one.parts" --tolvane "$tolvane" one.in >"$work/one.out" 2>"$work/one.err") || status=$?
echo "one-status $status"
echo "one-report $(cat full-disk/one.rep)"
echo "one-left $(ls -A full-disk | grep -c '^\.one\.rep\.')"
rm full-disk/filler
status=0; (cd full-disk && "$table" -q -j 2 "${in_parts[@]}" --dir "$work/one.parts" --tolvane "$tolvane" one.in >"$work/one.out" 2>/dev/null) || status=$?
echo "one-rerun-status $status"
cp full-disk/one.rep "$work/one-rerun.rep"

# Two-sided: the report is on a disk with room, tolvane.int on the full one;
# neither is replaced.
rm -f full-disk/*; echo previous >full-disk/tolvane.int; echo previous >two.rep; cp two.in full-disk/
fill
status=0; (cd full-disk && "$table" -q "${in_parts[@]}" --dir "$work/two.parts" --tolvane "$tolvane" two.in >/dev/null 2>"$work/two.err") || status=$?
echo "two-status $status"
echo "two-report $(cat two.rep)"
echo "two-int $(cat full-disk/tolvane.int)"
echo "two-left $(ls -A . full-disk | grep -c '^\.\(two\.rep\|tolvane\.int\)\.')"

# A case list's results on the full disk, here and from parts: the previous
# results stay whole.
rm -f full-disk/*; echo previous >full-disk/list.results.csv
fill
for where in here parts; do
  opts=(-q --tolvane "$tolvane"); [ $where = here ] || opts+=("${in_parts[@]}" --dir "$work/list.parts")
  status=0; "$table" "${opts[@]}" --cases list.csv -o full-disk/list.results.csv 2>"$work/list-$where.err" || status=$?
  echo "list-$where-status $status"
  echo "list-$where-results $(cat full-disk/list.results.csv)"
  echo "list-$where-left $(ls -A full-disk | grep -c '^\.list\.results')"
done

# The parts directory itself on the full disk: its set-up fails, and once
# there is room the next run sets it up again and finishes.
rm -f full-disk/*
fill
for what in list table; do
  if [ $what = list ]; then args=(--cases list.csv -o "$what.results.csv"); else args=(one.in); fi
  status=0; "$table" -q "${in_parts[@]}" --dir full-disk/$what.parts --tolvane "$tolvane" "${args[@]}" >/dev/null 2>"$work/setup-$what.err" || status=$?
  echo "setup-$what-status $status"
done
rm -f full-disk/filler
for what in list table; do
  if [ $what = list ]; then args=(--cases list.csv -o "$what.results.csv"); else args=(one.in); fi
  status=0; "$table" -q "${in_parts[@]}" --dir full-disk/$what.parts --tolvane "$tolvane" "${args[@]}" >"setup-$what.out" 2>"$work/setup-$what.err" || status=$?
  echo "setup-$what-rerun-status $status"
done
cp one.rep setup-one.rep
SH
grep '^full disk: ' inside.log || true
val() { sed -n "s/^$1 //p" inside.log; }
check "full disk: exit status 2" test "$(val one-status)" = 2
check "full disk: says which file it could not write" grep -q 'one.rep: cannot write the file: No space left on device' one.err
check "full disk: the previous report intact" test "$(val one-report)" = previous
check "full disk: no temporary file left" test "$(val one-left)" = 0
check "full disk, then room: exit status 0" test "$(val one-rerun-status)" = 0
check "full disk, then room: report as one run's" same_masked single-one/one.rep one-rerun.rep
check "full disk for tolvane.int: exit status 2" test "$(val two-status)" = 2
check "full disk for tolvane.int: the report on the other disk not replaced either" test "$(val two-report)" = previous
check "full disk for tolvane.int: the previous tolvane.int intact" test "$(val two-int)" = previous
check "full disk for tolvane.int: no temporary file left" test "$(val two-left)" = 0
for where in here parts; do
  check "full disk, results $where: exit status 2" test "$(val list-$where-status)" = 2
  check "full disk, results $where: says so" grep -q 'list.results.csv: cannot write the file: No space left on device' list-$where.err
  check "full disk, results $where: the previous results intact" test "$(val list-$where-results)" = previous
  check "full disk, results $where: no temporary file left" test "$(val list-$where-left)" = 0
done
for what in list table; do
  check "full disk in the set-up of a $what: the run fails" test "$(val setup-$what-status)" != 0
  check "full disk in the set-up of a $what, then room: the next run finishes" test "$(val setup-$what-rerun-status)" = 0
done
check "full disk in the set-up, then room: the results as one run's" diff <(rows list.results.csv) <(rows list.single.csv)
check "full disk in the set-up, then room: the report as one run's" same_masked single-one/one.rep setup-one.rep
finish
