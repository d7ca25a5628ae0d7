#!/usr/bin/env bash
# README's Slurm recipe on a real, one-node Slurm cluster: 16 adjacent XYZ
# tiles converted by a job array of 4 tasks, then the seamless walk by a
# second array that waits for the first (afterok). The outputs must equal one
# single-process run of the same job. Then the same job again, with one task
# cancelled in the middle of its work and the job rerun with --update: only
# what the cancelled task had not put in place is made again.
# Usage: slurm_test.sh KESTRUNE_BATCH; exit 77 (skipped, with the reason) where
# Slurm cannot start.
set -euo pipefail
batch=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/one_node_slurm.sh"

skip() { echo "SKIPPED: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "the one-node cluster runs its jobs as root, and this is not root"
for program in munged slurmctld slurmd sbatch squeue scancel; do
  command -v "$program" > /dev/null || skip "$program is not installed (Debian: slurm-wlm, munge)"
done

work=$(mktemp -d /tmp/kestrune-slurm.XXXXXX)
cleanup() {
  [ -f "$work/holder.pid" ] && kill "$(cat "$work/holder.pid")" 2> /dev/null
  slurm_stop "$work/cluster"
  rm -rf "$work"
}
trap cleanup EXIT
slurm_start "$work/cluster" || {
  tail -5 "$work/cluster/"*.log "$work/cluster/"*.out 2> /dev/null
  skip "the one-node Slurm cluster did not start"
}

python3 - "$work/tiles" <<'EOF'
# 4 x 4 tiles of 60 x 60 points, 10 m apart, on one lattice: rough hills.
import math, os, sys
folder = sys.argv[1]
os.makedirs(folder)
for row in range(4):
    for column in range(4):
        with open(os.path.join(folder, f"t{row}{column}.xyz"), "w") as f:
            for j in range(60):
                for i in range(60):
                    x, y = 500005 + 10 * (column * 60 + i), 5102395 - 10 * (row * 60 + j)
                    z = 300 + 80 * math.sin(x / 370.0) * math.cos(y / 290.0) + ((x * 7 + y * 13) % 17) * 0.7
                    f.write(f"{x} {y} {z:.2f}\n")
EOF

folders() {  # folders ROOT: the job's options for its output folders
  echo "--ascii-folder $1/asc --grid-folder $1/grids --slope-folder $1/slopes --contour-folder $1/contours"
}
make_folders() { mkdir -p "$1"/{asc,grids,slopes,contours}; }
conversion() {  # conversion ROOT [OPTION...]: the first array's command
  local out=$1; shift
  echo "$batch --input xyz --xyz-folder $work/tiles --ascii-folder $out/asc --grid-folder $out/grids $*"
}
walk() {  # walk ROOT [OPTION...]: the second array's command
  local out=$1; shift
  echo "$batch --input grid --seamless --grid-folder $out/grids --slope-folder $out/slopes" \
    "--contour-folder $out/contours --contour-interval 10 $*"
}
shard='--shard "$SLURM_ARRAY_TASK_ID/$SLURM_ARRAY_TASK_COUNT"'

# The same job in one process.
make_folders "$work/single"
$(conversion "$work/single") 2> "$work/single.log"
$(walk "$work/single") 2>> "$work/single.log"

# submit ROOT LOGS [OPTION...]: both arrays, the second after the first; prints their job ids
submit() {
  local out=$1 logs=$2; shift 2
  mkdir -p "$logs"
  local first second
  first=$(sbatch --parsable --array=0-3 --output="$logs/convert_%a.log" --wrap "$(conversion "$out" "$shard" "$@")")
  second=$(sbatch --parsable --array=0-3 --dependency=afterok:"$first" --output="$logs/walk_%a.log" \
    --wrap "$(walk "$out" "$shard" "$@")")
  echo "$first $second"
}
wait_for() {  # wait_for JOB...: until no task of the jobs is pending or running (3 minutes at most)
  for _ in $(seq 360); do
    [ -z "$(squeue -h -j "$(IFS=,; echo "$*")" 2> /dev/null)" ] && return 0
    sleep 0.5
  done
  echo "FAIL: the jobs $* did not finish"; squeue; exit 1
}
# states JOB: how many of its tasks ended how ("COMPLETED x3, CANCELLED x1" ...)
states() {
  scontrol -o show job "$1" | grep -o 'JobState=[A-Z_]*' | sort | uniq -c |
    awk '{ sub("JobState=", "", $2); printf "%s%s x%s", sep, $2, $1; sep = ", " }'
}
# sum LOGS PATTERN WORD: the sum of "N WORD" in the closing summaries of the logs
sum() { cat $1/$2 | grep -o "[0-9][0-9]* $3" | awk '{ s += $1 } END { print s + 0 }'; }

failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then echo "ok: $1: $3"; else echo "FAIL: $1: expected $2, got $3"; failures=$((failures + 1)); fi
}
compare() {  # compare ROOT: the outputs under ROOT against the single run's
  python3 "$root/tests/cluster/same_outputs.py" "$work/single" "$1" > "$work/compare.txt" 2>&1 &&
    check "outputs of $(basename "$1") equal the single run's" same same ||
    { cat "$work/compare.txt"; check "outputs of $(basename "$1")" same different; }
}

# 1. The recipe as README gives it.
make_folders "$work/cluster-run"
read -r first second < <(submit "$work/cluster-run" "$work/logs1")
wait_for "$first" "$second"
check "conversion array" "COMPLETED x4" "$(states "$first")"
check "walk array" "COMPLETED x4" "$(states "$second")"
check "outputs made by the two arrays" 64 "$(sum "$work/logs1" '*.log' done)"
compare "$work/cluster-run"

# 2. One task cancelled in the middle of its work. The GRID folder's lock,
# held here, keeps every task waiting once its .asc files are in place and
# before its GRIDs are; task 1 is cancelled there.
make_folders "$work/cancelled"
python3 -c 'import fcntl, sys, time
lock = open(sys.argv[1], "a")
fcntl.flock(lock, fcntl.LOCK_EX)
time.sleep(600)' "$work/cancelled/grids/.kestrune~lock" &
echo $! > "$work/holder.pid"
read -r first second < <(submit "$work/cancelled" "$work/logs2")
for _ in $(seq 240); do
  n=$(ls "$work/cancelled/asc" | grep -cE '^t(01|11|21|31)\.asc$' || true)
  [ "$n" = 4 ] && break
  sleep 0.5
done
sleep 1
scancel "${first}_1"
for _ in $(seq 60); do  # gone (stopped by the signal, or killed after KillWait) before the lock is let go
  squeue -h -t RUNNING,COMPLETING -j "${first}_1" 2> /dev/null | grep -q . || break
  sleep 0.5
done
kill "$(cat "$work/holder.pid")"; rm "$work/holder.pid"
for _ in $(seq 120); do
  squeue -h -j "$first" | grep -q . || break
  sleep 0.5
done
scancel "$second"  # its dependency can no longer be met
wait_for "$first" "$second"
check "conversion array, one task cancelled" "CANCELLED x1, COMPLETED x3" "$(states "$first")"
grids_in_place=$(ls "$work/cancelled/grids" | grep -c '^t' || true)
check "GRIDs in place after the cancel" 12 "$grids_in_place"

read -r first second < <(submit "$work/cancelled" "$work/logs3" --update)
wait_for "$first" "$second"
check "conversion array with --update" "COMPLETED x4" "$(states "$first")"
check "walk array with --update" "COMPLETED x4" "$(states "$second")"
check "conversions made again: the cancelled task's GRIDs" 4 "$(sum "$work/logs3" 'convert_*.log' done)"
check "conversions kept as up to date" 28 "$(sum "$work/logs3" 'convert_*.log' 'up to date')"
check "slopes and contours made (the walk had not run)" 32 "$(sum "$work/logs3" 'walk_*.log' done)"
compare "$work/cancelled"

# 3. Once more with --update: nothing is made.
read -r first second < <(submit "$work/cancelled" "$work/logs4" --update)
wait_for "$first" "$second"
check "outputs made by a rerun of the finished job" 0 "$(sum "$work/logs4" '*.log' done)"
check "outputs kept by it" 64 "$(sum "$work/logs4" '*.log' 'up to date')"

[ "$failures" = 0 ] || { echo "$failures checks failed"; exit 1; }
echo "all Slurm checks passed"
