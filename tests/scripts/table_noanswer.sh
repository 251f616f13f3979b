# A machine that takes the TCP connection and never sends ssh's greeting: the
# run gives up on it within a bounded time, without --timeout, names it with
# the connect timeout in force and runs no part; a rerun without it runs the
# whole table here.
source "$(dirname "$0")/lib.sh"

command -v ssh >/dev/null || { fail "ssh is not installed (Debian openssh-client)"; finish; }
# The listener holds every connection open and says nothing.
perl -MIO::Socket::INET -e '
  my $s = IO::Socket::INET->new(Listen => 16, LocalAddr => "127.0.0.1", LocalPort => 0, ReuseAddr => 1)
    or die "listen: $!";
  $| = 1; print $s->sockport, "\n";
  my @held; while (my $c = $s->accept) { push @held, $c }' >port.txt </dev/null 2>/dev/null &
listener=$!
trap 'kill $listener 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s port.txt ] && break; sleep 0.1; done
port=$(cat port.txt)

cp "$src/examples/small-two-sided.in" two.in
single_run single two.in
mkdir par && cp two.in par/ && cd par
start=$SECONDS status=0
timeout 60 "$table" -q --split case --connect-timeout 2 -S "ssh -p $port 127.0.0.1" "${in_parts[@]}" --tolvane "$tolvane" two.in \
  >terminal.txt 2>err.txt || status=$?
took=$((SECONDS - start))
check "silent machine: exit status 1, not the test's timeout" test $status -eq 1
# ssh waits one --connect-timeout for the greeting; the probe of every machine
# at once, GNU parallel's start and the heading run take a few seconds more.
check "silent machine: given up within 20 s (took $took s)" test $took -le 20
check "silent machine: named, with ssh's own words" \
  grep -q "^tolvane-table: ssh -p $port 127.0.0.1: no answer to ssh within 2 s (--connect-timeout)" err.txt
check "silent machine: ssh's reason shown" grep -q 'timed out' err.txt
check "silent machine: its parts are named as not run" test "$(grep -c ": not run: ssh -p $port 127.0.0.1 did not answer ssh$" err.txt)" -eq 2
check "silent machine: no report" test ! -e small-two-sided.rep
# A ConnectTimeout of the machine's own ssh command is the one in force, and named.
start=$SECONDS status=0
timeout 60 "$table" -q --connect-timeout 30 -S "ssh -o ConnectTimeout=1 -p $port 127.0.0.1" --tolvane "$tolvane" two.in \
  >terminal.txt 2>err.txt || status=$?
took=$((SECONDS - start))
check "its own ConnectTimeout: exit status 1" test $status -eq 1
check "its own ConnectTimeout: given up on by it (took $took s)" test $took -le 15
check "its own ConnectTimeout: named as in force" \
  grep -q "^tolvane-table: ssh -o ConnectTimeout=1 -p $port 127.0.0.1: no answer to ssh within 1 s (its ConnectTimeout)" err.txt
status=0; "$table" -q --tolvane "$tolvane" two.in >terminal.txt 2>err.txt || status=$?
check "rerun without it: exit status 0" test $status -eq 0
check "rerun without it: report as one run's" same_masked ../single/small-two-sided.rep small-two-sided.rep
finish
