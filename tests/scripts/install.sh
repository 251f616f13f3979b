# cmake --install into a temporary prefix: the four commands, their manual
# pages and the examples, each usable from there; and `make run` builds what
# the install copies.
source "$(dirname "$0")/lib.sh"

cmake --install "$build" --prefix "$work/prefix" >install.log
P=$work/prefix
check "tolvane installed" test -x "$P/bin/tolvane"
check "tolvane-table installed" test -x "$P/bin/tolvane-table"
check "tolvane-plot installed" test -x "$P/bin/tolvane-plot"
check "tolvane-limits installed" test -x "$P/bin/tolvane-limits"
for cmd in tolvane tolvane-limits tolvane-table tolvane-plot; do
  page=$P/share/man/man1/$cmd.1
  check "$cmd: manual page installed" test -s "$page"
  check "$cmd: manual page names its command" grep -q "^\.TH $(echo "$cmd" | tr a-z A-Z) 1" "$page"
  check "$cmd: manual page refers to the others" grep -q '^\.SH SEE ALSO' "$page"
  check "$cmd: manual page hard-codes no prefix" bash -c "! grep -q /usr/local '$page'"
  status=0; "$P/bin/$cmd" --help >help.txt 2>&1 || status=$?
  check "installed $cmd --help exits 0" test $status -eq 0
  check "installed $cmd --help prints a usage" grep -q "^Usage: $cmd" help.txt
  if command -v man >/dev/null; then
    check "$cmd: man -l renders the page without warnings" \
      bash -c "MANWIDTH=80 man -l '$page' 2>&1 >/dev/null | (! grep -q .) && MANWIDTH=80 man -l '$page' | grep -q '$cmd'"
  fi
done
# One version, as each command says it.
version=$("$P/bin/tolvane" --version | cut -d' ' -f2)
for cmd in tolvane tolvane-limits tolvane-table tolvane-plot; do
  status=0; "$P/bin/$cmd" --version >version.txt 2>&1 || status=$?
  check "installed $cmd --version exits 0" test $status -eq 0
  check "installed $cmd --version prints '$cmd $version'" grep -qx "$cmd $version" version.txt
done
check "tolvane.1 describes tolvane.int" bash -c "grep -q 'TOLVANE.INT' '$P/share/man/man1/tolvane.1'"
# The wrappers, from where they are installed, find the installed tolvane-limits.
check "wrapper.py installed" test -s "$P/share/doc/tolvane/examples/limits/wrapper.py"
check "wrapper.R installed" test -s "$P/share/doc/tolvane/examples/limits/wrapper.R"
want=$(echo '1 14 0.4272 0.95 0.5 15 0' | "$P/bin/tolvane-limits" | awk '{ print $2 }')
got=$(echo '1 14 0.4272 0.95 0.5 15 0' |
  PATH="$P/bin:$PATH" python3 "$P/share/doc/tolvane/examples/limits/wrapper.py" tolvane-limits | awk '{ print $2 }') || true
check "the installed Python wrapper asks the installed tolvane-limits" test "$got" = "$want"

# make run builds every program that the install copies, so that
# `make run` then `cmake --install` works in a fresh clone.
installed=$(sed -n 's/^install(TARGETS \(.*\) RUNTIME.*/\1/p' "$src/CMakeLists.txt")
built=$(make -s -n -C "$src" run BUILD="$work/never" JOBS=1 2>/dev/null | grep -- '--target' || true)
check "CMakeLists.txt installs programs" test -n "$installed"
for t in $installed; do
  check "make run builds $t, which the install copies" grep -Eq -- "--target( [^ ]+)* $t( |$)" <<<"$built"
done
# The installed runner finds the installed program beside it.
cp "$src/examples/quick-one-sided.in" .
status=0; "$P/bin/tolvane-table" -q quick-one-sided.in >terminal.txt || status=$?
check "installed tolvane-table runs the quick example" test $status -eq 0
check "its report has the case" grep -q ' 0.900  10.  1.0' quick-one-sided.rep
finish
