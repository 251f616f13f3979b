# What each command installs: building and running get no daemon and no
# test-only library, the tests get theirs; and the program configures and
# builds without the tests' libraries. Nothing is installed here: the
# package choice is read with --list, the Makefile with make -n, and cmake
# configures into the temporary directory with the libraries hidden.
source "$(dirname "$0")/lib.sh"

deps=$src/scripts/install-deps
daemons=(openssh-server munge slurmctld slurmd slurm-client)
test_only=(libgtest-dev libgsl-dev libboost-dev r-base-core libbenchmark-dev)
# What the build (cmake, g++, make, libcsv) and tolvane-table and
# tolvane-plot (parallel, rsync, ssh, gnuplot, python3) need at run time.
run_set=(cmake g++ make libcsv-dev parallel rsync openssh-client gnuplot-nox python3)

in_list() { grep -qxF "$1" "$2"; }
status=0; bash "$deps" --list >run.txt || status=$?
check "install-deps --list exits 0" test $status -eq 0
for p in "${daemons[@]}" "${test_only[@]}"; do
  check "building and running do not install $p" bash -c '! grep -qxF "$1" run.txt' _ "$p"
done
for p in "${run_set[@]}"; do
  check "building and running install $p" in_list "$p" run.txt
done
bash "$deps" --test --list >test.txt
for p in "${run_set[@]}" "${daemons[@]}" libgtest-dev libgsl-dev libboost-dev r-base-core libcap2-bin; do
  check "the tests install $p" in_list "$p" test.txt
done
check "the microbenchmarks install their library" in_list libbenchmark-dev <(bash "$deps" --bench --list)
status=0; bash "$deps" --bogus --list >/dev/null 2>err.txt || status=$?
check "an unknown option is refused with status 2, installing nothing" test $status -eq 2

# Which make targets install which set: the dry run prints their recipes.
for target in run install bench; do
  make -s -n -C "$src" "$target" BUILD="$work/never" JOBS=1 >make.txt 2>&1 || true
  check "make $target installs without the tests' packages" \
    bash -c 'grep -q "scripts/install-deps" make.txt && ! grep -q "install-deps.*--test" make.txt'
done
for target in test test-sanitize; do
  make -s -n -C "$src" "$target" BUILD="$work/never" BUILD_ASAN="$work/never-asan" JOBS=1 >make.txt 2>&1 || true
  check "make $target installs the tests' packages" grep -q 'scripts/install-deps --test' make.txt
done
check "scripts/run installs without the tests' packages" \
  bash -c 'grep -q "^bash scripts/install-deps$" "$1"' _ "$src/scripts/run"
check "scripts/test installs the tests' packages" \
  bash -c 'grep -q "^bash scripts/install-deps --test$" "$1"' _ "$src/scripts/test"

# Configured as `make run` does, on a machine without the tests' libraries.
hide=(-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_GSL=ON
      -DCMAKE_DISABLE_FIND_PACKAGE_Boost=ON)
status=0; cmake -S "$src" -B plain -DCMAKE_BUILD_TYPE=Release "${hide[@]}" >plain.log 2>&1 || status=$?
check "without GoogleTest, Boost and GSL the program configures" test $status -eq 0
check "...and says the tests are not built" grep -q 'The tests are not built' plain.log
cmake --build plain --target help >targets.txt 2>&1 || true
check "...with the programs that the install copies" \
  bash -c 'grep -q "tolvane-limits\$" targets.txt && grep -q "\.\.\. tolvane\$" targets.txt'
check "...and without the tests" bash -c '! grep -q "test_records" targets.txt'
# As `make test` configures: the tests are required, never left out unseen.
status=0; cmake -S "$src" -B required -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=ON "${hide[@]}" >required.log 2>&1 || status=$?
check "with TOLVANE_TESTS=ON, missing test libraries fail the configure" test $status -ne 0
finish
