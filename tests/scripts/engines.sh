# Real engines for the script tests: an sshd and a single-node Slurm, each
# made, started and stopped by the test in its temporary directory, listening
# on the loopback only. Sourced after lib.sh.
#
# Every wait is bounded; a daemon that does not come up ends the test with its
# log. A test killed before its EXIT trap can run (as by CTest's timeout)
# leaves nothing behind: a watchdog stops its daemons within a second, and
# each daemon runs under `timeout` besides.

daemon_pids=()
daemon_logs=()
daemon_life=600        # seconds; longer than any test that uses them
mkdir -p "$work/daemons"
daemon_pidfile=$work/daemons/pids

# ssh's shared connections: sshd leaves a login that is under way when it
# stops, so they are ended first.
stop_ssh_masters() {
  local socket
  for socket in "$work"/daemons/sshd/master-*; do
    [ -S "$socket" ] || continue
    timeout 5 ssh -o ControlPath="$socket" -O exit tolvane-test-host </dev/null >/dev/null 2>&1 || true
  done
}

# Stops what the test started: jobs and logins first, then the daemons in
# reverse order.
stop_daemons() {
  local i
  if [ -n "${SLURM_CONF:-}" ] && [ -f "$SLURM_CONF" ]; then
    timeout 10 scancel --full --quiet --user="$(id -un)" 2>/dev/null || true
  fi
  stop_ssh_masters
  for ((i = ${#daemon_pids[@]} - 1; i >= 0; i--)); do
    kill -TERM "${daemon_pids[$i]}" 2>/dev/null || true
  done
  for i in "${!daemon_pids[@]}"; do
    wait_gone "${daemon_pids[$i]}" 10 || kill -KILL "${daemon_pids[$i]}" 2>/dev/null || true
  done
  daemon_pids=()
  rm -f "$daemon_pidfile"
}
trap 'stop_daemons; rm -rf "$work"' EXIT

# Stops the daemon started last (one that could not bind its ports).
stop_last() {
  local pid=${daemon_pids[-1]}
  kill -TERM "$pid" 2>/dev/null || true
  wait_gone "$pid" 10 || kill -KILL "$pid" 2>/dev/null || true
  unset 'daemon_pids[-1]'
  printf '%s\n' "${daemon_pids[@]}" >"$daemon_pidfile"
}

# Waits until process PID has ended, at most SECONDS; status 1 if it has not.
wait_gone() {
  local pid=$1 deadline=$((SECONDS + $2))
  while kill -0 "$pid" 2>/dev/null; do
    [ $SECONDS -lt "$deadline" ] || return 1
    sleep 0.1
  done
  wait "$pid" 2>/dev/null || true
}

# Ends the test: what failed, and the log of every daemon started.
engine_failure() {
  echo "FAIL: $*" >&2
  local log
  for log in "${daemon_logs[@]}"; do
    echo "---- $log" >&2
    tail -n 40 "$log" >&2 2>/dev/null || true
  done
  exit 1
}

# Starts COMMAND in the background with its output in LOG, bounded in life.
start_daemon() {
  local log=$1; shift
  timeout --kill-after=5 "$daemon_life" "$@" </dev/null >"$log" 2>&1 &
  daemon_pids+=($!)
  daemon_logs+=("$log")
  echo $! >>"$daemon_pidfile"
}

# Polls COMMAND every tenth of a second for at most SECONDS while the last
# daemon started is alive; status 1 when it never succeeded.
await() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds)) pid=${daemon_pids[-1]}
  until "$@" >/dev/null 2>&1; do
    kill -0 "$pid" 2>/dev/null || return 1
    [ $SECONDS -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# The TCP sockets of this machine, one a line: local address (hex, as the
# kernel writes it), port (decimal) and state (0A is listening).
tcp_sockets() {
  local sl local_addr rest
  cat /proc/net/tcp /proc/net/tcp6 2>/dev/null |
    while read -r sl local_addr rest; do
      [[ $local_addr == *:* ]] || continue
      read -r _ state _ <<<"$rest"
      echo "${local_addr%:*} $((16#${local_addr##*:})) $state"
    done
}

# Prints N TCP ports of the unprivileged range below the kernel's ephemeral
# ports that no socket of this machine uses now. A daemon that still loses the
# race to another process fails to bind, and is started again on new ports.
free_ports() {
  local n=$1 used=" " port out=() addr p st
  while read -r addr p st; do used+="$p "; done < <(tcp_sockets)
  while [ ${#out[@]} -lt "$n" ]; do
    port=$((20000 + RANDOM % 12000))
    [[ $used == *" $port "* ]] && continue
    used+="$port "
    out+=("$port")
  done
  echo "${out[@]}"
}

# Whether something listens on each PORT given, and only on the loopback:
# 127.0.0.0/8 (little-endian in /proc, so its last byte is 7F) or ::1.
loopback_only() {
  local addr p st want seen
  for want in "$@"; do
    seen=no
    while read -r addr p st; do
      [ "$p" = "$want" ] && [ "$st" = 0A ] || continue
      [[ $addr == *7F || $addr == 00000000000000000000000001000000 ]] || return 1
      seen=yes
    done < <(tcp_sockets)
    [ $seen = yes ] || return 1
  done
}

# ---------------- ssh ----------------
# An sshd whose every port is a machine of its own: a login through port
# ssh_ports[i] works in the directory ssh_homes[i] with ssh_bins[i] first on
# its PATH, as a login on another machine would find its home and its
# programs. Host aliases machine1, machine2, ... in $ssh_config reach them
# with a key made for the test, and only that host key is trusted.
start_sshd() {
  local n=$1 dir=$work/daemons/sshd i try user
  user=$(id -un)
  mkdir -p "$dir"
  ssh-keygen -q -t ed25519 -N '' -C tolvane-test-host -f "$dir/host_key" </dev/null
  ssh-keygen -q -t ed25519 -N '' -C tolvane-test-user -f "$dir/user_key" </dev/null
  cp "$dir/user_key.pub" "$dir/authorized_keys"
  echo "tolvane-test-host $(cat "$dir/host_key.pub")" >"$dir/known_hosts"
  ssh_homes=() ssh_bins=()
  for ((i = 1; i <= n; i++)); do
    mkdir -p "$work/machine$i/home" "$work/machine$i/bin"
    ssh_homes+=("$work/machine$i/home"); ssh_bins+=("$work/machine$i/bin")
  done
  # sshd started as root insists on its privilege separation directory.
  [ "$(id -u)" -ne 0 ] || mkdir -p /run/sshd
  for try in 1 2 3; do
    read -r -a ssh_ports <<<"$(free_ports "$n")"
    {
      for i in "${!ssh_ports[@]}"; do echo "ListenAddress 127.0.0.1:${ssh_ports[$i]}"; done
      cat <<EOF
HostKey $dir/host_key
PidFile $dir/sshd.pid
AuthorizedKeysFile $dir/authorized_keys
AllowUsers $user
PermitRootLogin prohibit-password
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
X11Forwarding no
PrintMotd no
PermitUserRC no
LogLevel VERBOSE
EOF
      # HOME keeps the login's shell from reading the user's own start-up
      # files (bash reads ~/.bashrc under sshd), which can take seconds; the
      # PATH has no /usr/local, where this machine may have a tolvane
      # installed that the other machines must not see.
      for i in "${!ssh_ports[@]}"; do
        printf 'Match LocalPort %s\n  SetEnv HOME=%s PATH=%s:/usr/bin:/bin\n' \
          "${ssh_ports[$i]}" "${ssh_homes[$i]}" "${ssh_bins[$i]}"
        printf '  ForceCommand cd "$HOME" && exec "$SHELL" -c "$SSH_ORIGINAL_COMMAND"\n'
      done
    } >"$dir/sshd_config"
    /usr/sbin/sshd -t -f "$dir/sshd_config" || engine_failure "sshd refuses its configuration"
    start_daemon "$dir/sshd-$try.log" /usr/sbin/sshd -D -e -f "$dir/sshd_config"
    if await 15 sshd_listening "$dir/sshd-$try.log" "$n"; then break; fi
    stop_last
    grep -q 'Address already in use' "$dir/sshd-$try.log" && [ $try -lt 3 ] ||
      engine_failure "sshd did not start listening on ports ${ssh_ports[*]}"
  done
  ssh_config=$dir/ssh_config
  {
    for i in "${!ssh_ports[@]}"; do printf 'Host machine%d\n  Port %s\n' $((i + 1)) "${ssh_ports[$i]}"; done
    cat <<EOF
Host *
  HostName 127.0.0.1
  User $user
  IdentityFile $dir/user_key
  IdentitiesOnly yes
  HostKeyAlias tolvane-test-host
  UserKnownHostsFile $dir/known_hosts
  GlobalKnownHostsFile /dev/null
  StrictHostKeyChecking yes
  BatchMode yes
  ConnectTimeout 10
  LogLevel ERROR
  # A part takes several logins (its files travel one by one); sharing one
  # connection a machine, as GNU parallel's --controlmaster would, keeps the
  # test short. The master ends with sshd, or when idle.
  ControlMaster auto
  ControlPath $dir/master-%n
  ControlPersist 10
EOF
  } >"$ssh_config"
  for ((i = 1; i <= n; i++)); do
    [ "$(timeout 20 ssh -F "$ssh_config" "machine$i" pwd </dev/null 2>>"$dir/client.log")" = "${ssh_homes[$((i - 1))]}" ] ||
      { daemon_logs+=("$dir/client.log"); engine_failure "no ssh login to machine$i"; }
  done
}

sshd_listening() { [ "$(grep -c '^Server listening on' "$1")" -eq "$2" ]; }

# ---------------- Slurm ----------------
# munged, slurmctld and one slurmd for this machine, with their keys, state,
# spool and logs in the test's directory; SLURM_CONF points the commands at it.
start_slurm() {
  local dir=$work/daemons/slurm host addr cpus try
  # Slurm knows a machine by the first word of its name.
  host=$(uname -n); host=${host%%.*}
  # Bound to no address but their machine's (NoCtldInAddrAny, NoInAddrAny),
  # the daemons listen on the address that its name resolves to; the clients
  # must be sent there. That is a loopback address on a machine as Debian
  # installs it (127.0.1.1) and here; anything else would be listened on from
  # outside.
  addr=$(getent ahostsv4 "$(uname -n)" | awk 'NR == 1 {print $1}') || true
  case $addr in
    127.*) ;;
    "") engine_failure "this machine's name $(uname -n) does not resolve (no line for it in /etc/hosts), and Slurm's daemons listen on its address" ;;
    *) engine_failure "this machine's name $(uname -n) resolves to $addr, not to a loopback address; Slurm's daemons would listen there" ;;
  esac
  cpus=$(nproc)
  mkdir -p "$dir/munge" "$dir/state" "$dir/spool"
  # munged wants its socket's directories open to everyone, its key to itself.
  chmod 755 "$work" "$work/daemons" "$dir" "$dir/munge"
  dd if=/dev/urandom of="$dir/munge/munge.key" bs=1024 count=1 status=none
  chmod 600 "$dir/munge/munge.key"
  start_daemon "$dir/munged.log" munged -F --socket="$dir/munge/socket" \
    --key-file="$dir/munge/munge.key" --pid-file="$dir/munge/munged.pid" \
    --seed-file="$dir/munge/munged.seed" --num-threads=2
  await 15 bash -c 'munge -n -S "$1" | unmunge -S "$1"' - "$dir/munge/socket" ||
    engine_failure "munged did not start"

  export SLURM_CONF=$dir/slurm.conf
  for try in 1 2 3; do
    read -r slurmctld_port slurmd_port <<<"$(free_ports 2)"
    cat >"$SLURM_CONF" <<EOF
ClusterName=tolvanetest
SlurmctldHost=$host($addr)
SlurmctldPort=$slurmctld_port
SlurmdPort=$slurmd_port
SlurmUser=$(id -un)
SlurmdUser=$(id -un)
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge/socket
CommunicationParameters=NoCtldInAddrAny,NoInAddrAny
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/builtin
# Batch jobs start as soon as a CPU is free, not up to three seconds later.
SchedulerParameters=batch_sched_delay=0
MpiDefault=none
SwitchType=switch/none
MailProg=/bin/true
ReturnToService=2
MinJobAge=600
NodeName=$host NodeAddr=$addr CPUs=$cpus State=UNKNOWN
PartitionName=tolvane Nodes=$host Default=YES MaxTime=10 State=UP
EOF
    start_daemon "$dir/slurmctld-$try.log" slurmctld -D -i -f "$SLURM_CONF"
    if await 30 scontrol ping; then break; fi
    stop_last
    grep -q 'Address already in use' "$dir/slurmctld-$try.log" && [ $try -lt 3 ] ||
      engine_failure "slurmctld did not answer on port $slurmctld_port"
  done
  start_daemon "$dir/slurmd.log" slurmd -D -N "$host" -f "$SLURM_CONF"
  await 30 node_idle "$host" || engine_failure "the node $host did not become idle"
}

# Slurm's commands, as the runner's instructions name them, with a bound:
# one that cannot reach slurmctld retries for longer than a test may wait.
sbatch() { timeout 30 "$(type -P sbatch)" "$@"; }

node_idle() { [ "$(sinfo -h -n "$1" -o %t)" = idle ]; }

# Waits at most SECONDS until Slurm job JOB (every task of an array) has
# ended; prints its tasks' states and exit codes.
await_job() {
  local job=$1 deadline=$((SECONDS + $2)) states
  while :; do
    states=$(scontrol -o show job "$job" 2>&1) || { echo "$states" >&2; return 1; }
    if ! grep -qE 'JobState=(PENDING|CONFIGURING|RUNNING|COMPLETING|SUSPENDED|REQUEUED|RESIZING)' <<<"$states"; then
      local line
      while IFS= read -r line; do
        grep -oE '(^| )(JobId|ArrayTaskId|JobState|ExitCode)=[^ ]*' <<<"$line" | tr -d ' ' | paste -sd' '
      done <<<"$states"
      return 0
    fi
    [ $SECONDS -lt "$deadline" ] || { echo "job $job still not ended after $2 s:" >&2; echo "$states" >&2; return 1; }
    sleep 0.2
  done
}

# The watchdog of a test killed before its EXIT trap could run.
(
  test_pid=$$
  while kill -0 "$test_pid" 2>/dev/null; do sleep 1; done
  if [ -f "$daemon_pidfile" ]; then
    stop_ssh_masters
    # shellcheck disable=SC2046
    kill -TERM $(cat "$daemon_pidfile") 2>/dev/null
    sleep 5
    rm -rf "$work"
  fi
) </dev/null >/dev/null 2>&1 &
