# cmake --install into a temporary prefix: the program, the scripts and the
# manual page, each usable from there.
source "$(dirname "$0")/lib.sh"

cmake --install "$build" --prefix "$work/prefix" >install.log
P=$work/prefix
check "tolvane installed" test -x "$P/bin/tolvane"
check "tolvane-table installed" test -x "$P/bin/tolvane-table"
check "tolvane-plot installed" test -x "$P/bin/tolvane-plot"
check "manual page installed" test -s "$P/share/man/man1/tolvane.1"
check "installed tolvane --version" "$P/bin/tolvane" --version
if command -v man >/dev/null; then
  check "man -l renders the page" bash -c "MANWIDTH=80 man -l '$P/share/man/man1/tolvane.1' 2>&1 | grep -q 'tolvane.int'"
fi
# The installed runner finds the installed program beside it.
cp "$src/examples/quick-one-sided.in" .
status=0; "$P/bin/tolvane-table" -q quick-one-sided.in >terminal.txt || status=$?
check "installed tolvane-table runs the quick example" test $status -eq 0
check "its report has the case" grep -q ' 0.900  10.  1.0' quick-one-sided.rep
finish
