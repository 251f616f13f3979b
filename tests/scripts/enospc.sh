# The full disk that with_full_disk preloads where no tmpfs can be mounted
# (tests/preload/enospc.c): writes under its directory stop with ENOSPC at its
# size, through every way the scripts under test write (write, copy_file_range
# in cp, sendfile in Python's shutil, stdio in gnuplot); the space is shared
# by all files under it and freed by removing one; nothing else is touched.
source "$(dirname "$0")/lib.sh"
lib=${TOLVANE_TEST_ENOSPC_LIB:-$build/tests/libtolvane_enospc.so}
check "the library is built" test -f "$lib"
mkdir disk disk2
# Commands on a disk of BYTES bytes in disk/.
on() { local bytes=$1; shift; env TOLVANE_TEST_ENOSPC_DIR="$work/disk" TOLVANE_TEST_ENOSPC_BUDGET="$bytes" LD_PRELOAD="$lib" "$@"; }
size() { stat -c %s -- "$1"; }
head -c 10000 /dev/zero >ten.k

status=0; on 4096 dd if=/dev/zero of=disk/a bs=3000 count=2 2>err.txt || status=$?
check "a write past the size fails" test $status -ne 0
check "...with ENOSPC" grep -q 'No space left on device' err.txt
check "...after writing what fits, as a full disk does" test "$(size disk/a)" = 4096
status=0; on 4096 dd if=/dev/zero of=disk/a bs=100 count=1 conv=notrunc 2>/dev/null || status=$?
check "overwriting bytes already there needs no room" test $status -eq 0
status=0; on 4096 dd if=/dev/zero of=disk2/a bs=3000 count=2 2>/dev/null || status=$?
check "a directory whose name only starts the same is not the disk" test $status -eq 0 -a "$(size disk2/a)" = 6000
check "writes to a pipe pass" test "$(on 4096 cat ten.k | wc -c)" = 10000
check "writes to a file elsewhere pass" on 4096 cp ten.k elsewhere.k
status=0; on 4096 cp ten.k disk/b 2>/dev/null || status=$?
check "cp (copy_file_range) onto a full disk fails" test $status -ne 0 -a "$(size disk/b)" = 0
status=0; on 4096 python3 -c 'import shutil, sys; shutil.copyfile(sys.argv[1], sys.argv[2])' ten.k disk/c 2>err.txt || status=$?
check "Python's copy (sendfile) onto a full disk fails with ENOSPC" grep -q 'Errno 28' err.txt
rm disk/a disk/b disk/c
mkdir disk/sub
on 8192 dd if=/dev/zero of=disk/sub/x bs=5000 count=1 2>/dev/null
status=0; on 8192 python3 -c 'with open("disk/y", "w") as f: f.write("a" * 5000)' 2>err.txt || status=$?
check "a file in a subdirectory takes its space from the same disk" test $status -ne 0 -a "$(size disk/y)" -le 3192
rm disk/y disk/sub/x
status=0; on 8192 python3 -c 'with open("disk/y", "w") as f: f.write("a" * 5000)' || status=$?
check "a removed file frees its space" test $status -eq 0 -a "$(size disk/y)" = 5000
rm disk/y
printf 'set terminal svg\nset output ARG1\nplot sin(x)\n' >p.gp
status=0; on 4096 gnuplot -c p.gp disk/p.svg 2>/dev/null || status=$?
check "gnuplot's stdio output stops at the size" test "$(size disk/p.svg)" -le 4096
check "...so the picture is cut" bash -c '! tail -n 2 disk/p.svg | grep -q "</svg>"'
on 4096 gnuplot -c p.gp disk2/p.svg
check "gnuplot's picture elsewhere is whole" grep -q '</svg>' disk2/p.svg
rm disk/p.svg
status=0; env TOLVANE_TEST_ENOSPC_DIR="$work/disk" LD_PRELOAD="$lib" cp ten.k disk/d || status=$?
check "without a size, the library does nothing" test $status -eq 0 -a "$(size disk/d)" = 10000
finish
