#!/usr/bin/env bash
# A one-node Slurm cluster in a folder of its own, from Debian's slurm-wlm and
# munge packages, for trying Kestrune's cluster recipes on one machine (run
# as root: slurmd starts the jobs).
#
#   bash scripts/one_node_slurm.sh start DIR   starts munged, slurmctld and slurmd
#                                              and prints the SLURM_CONF to export
#   bash scripts/one_node_slurm.sh stop DIR    stops them by the process numbers
#                                              kept in DIR, and removes nothing else
#
# Sourced, it gives slurm_start DIR and slurm_stop DIR, which tests use.

# Two free TCP ports, one a line.
slurm_free_ports() {
  python3 - <<'EOF'
import socket
held = []
for _ in range(2):
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    held.append(s)
    print(s.getsockname()[1])
EOF
}

slurm_write_conf() {  # slurm_write_conf DIR
  local dir=$1 node ports
  node=$(hostname -s)
  mapfile -t ports < <(slurm_free_ports)
  cat > "$dir/slurm.conf" <<EOF
ClusterName=kestrune
SlurmctldHost=$node
SlurmUser=root
SlurmctldPort=${ports[0]}
SlurmdPort=${ports[1]}
AuthType=auth/munge
AuthInfo=socket=$dir/munge/socket
CredType=cred/munge
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerType=sched/builtin
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MpiDefault=none
ReturnToService=2
KillWait=5
MinJobAge=600
NodeName=$node CPUs=$(nproc) State=UNKNOWN
PartitionName=main Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
}

slurm_start() {  # slurm_start DIR; exports SLURM_CONF; returns 1 when the cluster does not come up
  local dir=$1
  mkdir -p "$dir/munge" "$dir/state" "$dir/spool"
  chmod 700 "$dir" "$dir/munge"
  dd if=/dev/urandom of="$dir/munge/key" bs=1024 count=1 status=none
  chmod 400 "$dir/munge/key"
  munged --force --key-file="$dir/munge/key" --socket="$dir/munge/socket" --pid-file="$dir/munge/pid" \
    --seed-file="$dir/munge/seed" --log-file="$dir/munge/log" || return 1
  slurm_write_conf "$dir"
  export SLURM_CONF=$dir/slurm.conf
  slurmctld -D -f "$SLURM_CONF" > "$dir/slurmctld.out" 2>&1 &
  echo $! > "$dir/slurmctld.started"
  slurmd -D -f "$SLURM_CONF" > "$dir/slurmd.out" 2>&1 &
  echo $! > "$dir/slurmd.started"
  for _ in $(seq 60); do
    if sinfo -h -o %t 2>/dev/null | grep -qx idle; then return 0; fi
    sleep 0.5
  done
  return 1
}

slurm_stop() {  # slurm_stop DIR: its jobs cancelled, then its daemons stopped
  local dir=$1 pid
  SLURM_CONF=$dir/slurm.conf squeue -h -o %A 2> /dev/null | SLURM_CONF=$dir/slurm.conf xargs -r scancel 2> /dev/null
  sleep 0.5
  for file in "$dir/slurmd.started" "$dir/slurmctld.started" "$dir/munge/pid"; do
    [ -f "$file" ] || continue
    pid=$(cat "$file")
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  done
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  case "${1:-}" in
    start) slurm_start "$2" && echo "export SLURM_CONF=$2/slurm.conf" ;;
    stop) slurm_stop "$2" ;;
    *) sed -n '2,12p' "$0" >&2; exit 2 ;;
  esac
fi
