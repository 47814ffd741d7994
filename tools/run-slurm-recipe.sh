#!/usr/bin/env bash
# Starts a one-node Slurm cluster on this machine (Debian's slurm-wlm and munge, as root, without
# systemd: a munge key, a slurm.conf for this host and its cores, munged, slurmctld and slurmd, all
# in a scratch folder and on ports of their own), submits the README's job-array recipe as it
# stands over pictures whose names collide across folders, into an output folder that already
# holds one of their names, and checks that every task ends well with empty logs, that every
# picture arrives whole exactly once, and that nothing is overwritten. The machine's cores may be
# fewer than the recipe asks of each task: it is submitted with --cpus-per-task=1, which sbatch
# lets a command-line option override. Stops what it started. BUILD_DIR: default build.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "$(basename "$0"): run it as root: slurmd runs the tasks" >&2; exit 1; }
bash tools/install-deps.sh slurm-wlm munge
source tools/recipes.sh "${1:-build}"

export SLURM_CONF="$work/slurm.conf"
job=
stop_cluster() {
    [ -z "$job" ] || scancel "$job" 2>/dev/null || true
    local daemon pid
    for daemon in slurmd slurmctld munged; do
        [ -s "$work/$daemon.pid" ] || continue
        pid=$(cat "$work/$daemon.pid")
        kill "$pid" 2>/dev/null || continue
        for _ in $(seq 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    done
    rm -rf "$work"
}
trap stop_cluster EXIT

# Prints the daemons' logs and fails.
cluster_failed() {
    tail -n 30 "$work"/log/*.log >&2 || true
    fail "$*"
}

start_cluster() {
    mkdir -p "$work/state" "$work/spool" "$work/log"
    head -c 1024 /dev/urandom >"$work/munge.key"
    chmod 0600 "$work/munge.key"
    # munged refuses root unless forced; the socket and the key are the cluster's own.
    munged --force --key-file="$work/munge.key" --socket="$work/munge.socket" \
        --pid-file="$work/munged.pid" --log-file="$work/log/munged.log" \
        --seed-file="$work/munge.seed"
    # This host as slurmd sees it: its name, cores and memory.
    local node_line node
    node_line=$(slurmd -C | head -n 1)
    node=$(sed 's/^NodeName=\([^ ]*\).*/\1/' <<<"$node_line")
    cat >"$SLURM_CONF" <<CONF
ClusterName=tessaro-recipe
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=16817
SlurmdPort=16818
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$work/munge.socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MpiDefault=none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
$node_line NodeAddr=127.0.0.1 State=UNKNOWN
PartitionName=recipe Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
    slurmctld || cluster_failed "slurmctld did not start"
    slurmd -N "$node" || cluster_failed "slurmd did not start"
    for _ in $(seq 120); do
        [ "$(sinfo -h -o %T 2>/dev/null)" = idle ] && return
        sleep 0.5
    done
    cluster_failed "the node did not come up: $(sinfo 2>&1)"
}

start_cluster
make_corpus
make_list_and_reference
recipe slurm >"$work/stamp.sh"
mkdir -p "$work/tasks"
job=$(sbatch --parsable --cpus-per-task=1 --output="$work/tasks/%a.out" \
    --error="$work/tasks/%a.err" "$work/stamp.sh" | cut -d';' -f1)
for _ in $(seq 1200); do
    [ -n "$(squeue -h -j "$job" 2>/dev/null)" ] || break
    sleep 0.5
done
[ -z "$(squeue -h -j "$job" 2>/dev/null)" ] || cluster_failed "the job array did not end"
tasks=$(scontrol -o show job "$job")
count=$(grep -c . <<<"$tasks")
ended_well=$(grep -c 'JobState=COMPLETED .*ExitCode=0:0' <<<"$tasks" || true)
[ "$count" -eq 10 ] && [ "$ended_well" -eq 10 ] \
    || cluster_failed "$ended_well of $count tasks ended well:
$(grep -o 'ArrayTaskId=[0-9]* .*JobState=[A-Z]*\|ExitCode=[0-9:]*' <<<"$tasks")"
job=
check_logs_empty "$work"/tasks/*.out "$work"/tasks/*.err
check_stamped
