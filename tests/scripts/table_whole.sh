# tolvane-table's files are whole or not there: on a full disk the previous
# report and tolvane.int stay as they were, no temporary file is left, and the
# exit status is non-zero. The disk is lib.sh's with_full_disk, 64 KiB.
source "$(dirname "$0")/lib.sh"

printf '1\n5 6\n1 1\n1e-6 1e-8 0\none.rep\n1 2\n' >one.in
single_run single-one one.in
printf "2\n6 6\n4 4\n1e-6 1e-8 0\n'%s/two.rep'\n2 2\n" "$work" >two.in
single_run single-two two.in
rm -f two.rep

export work table tolvane
with_full_disk "$work/full" 65536 bash -s >inside.log 2>&1 <<'SH' || fail "the full-disk run itself: $(cat inside.log)"
set -u
cd "$work"
fill() { dd if=/dev/zero of="$work/full/filler" bs=1k count=64 2>/dev/null; return 0; }

# One-sided: the report on the full disk.
cp one.in full/ && echo previous >full/one.rep
fill
status=0; (cd full && "$table" -q -j 2 --dir "$work/one.parts" --tolvane "$tolvane" one.in >"$work/one.out" 2>"$work/one.err") || status=$?
echo "one-status $status"
echo "one-report $(cat full/one.rep)"
echo "one-left $(ls -A full | grep -c '^\.one\.rep\.')"
rm full/filler
status=0; (cd full && "$table" -q -j 2 --dir "$work/one.parts" --tolvane "$tolvane" one.in >"$work/one.out" 2>/dev/null) || status=$?
echo "one-rerun-status $status"
cp full/one.rep "$work/one-rerun.rep"

# Two-sided: the report is on a disk with room, tolvane.int on the full one;
# neither is replaced.
rm -f full/*; echo previous >full/tolvane.int; echo previous >two.rep; cp two.in full/
fill
status=0; (cd full && "$table" -q --dir "$work/two.parts" --tolvane "$tolvane" two.in >/dev/null 2>"$work/two.err") || status=$?
echo "two-status $status"
echo "two-report $(cat two.rep)"
echo "two-int $(cat full/tolvane.int)"
echo "two-left $(ls -A . full | grep -c '^\.\(two\.rep\|tolvane\.int\)\.')"
SH
grep '^full disk: ' inside.log || true
val() { sed -n "s/^$1 //p" inside.log; }
check "full disk: exit status 1" test "$(val one-status)" = 1
check "full disk: says which file it could not write" grep -q 'one.rep: cannot write the file; the previous files are left' one.err
check "full disk: the previous report intact" test "$(val one-report)" = previous
check "full disk: no temporary file left" test "$(val one-left)" = 0
check "full disk, then room: exit status 0" test "$(val one-rerun-status)" = 0
check "full disk, then room: report as one run's" same_masked single-one/one.rep one-rerun.rep
check "full disk for tolvane.int: exit status 1" test "$(val two-status)" = 1
check "full disk for tolvane.int: the report on the other disk not replaced either" test "$(val two-report)" = previous
check "full disk for tolvane.int: the previous tolvane.int intact" test "$(val two-int)" = previous
check "full disk for tolvane.int: no temporary file left" test "$(val two-left)" = 0
finish
