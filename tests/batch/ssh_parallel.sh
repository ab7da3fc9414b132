#!/usr/bin/env bash
# GNU Parallel across "hosts" over ssh, against a private sshd on this machine:
#  - one job per photo, each photo sent with --transferfile and its result brought back with
#    --return, the recipe sent once with --basefile, the remote folders removed (--cleanup);
#  - shards run remotely on a file system every host shares.
# Both must equal one local run, byte for byte. Exits 77 (skipped) when no sshd can be started
# here or ssh cannot log in to it.
#   ssh_parallel.sh BIN_DIR OUT_DIR
source "$(dirname "$0")/common.bash"
skip() {
    echo "SKIP: $*"
    exit 77
}
command -v parallel >/dev/null || fail "GNU Parallel is not installed (scripts/install-deps.sh)"
command -v rsync >/dev/null || fail "rsync is not installed (scripts/install-deps.sh)"
sshd=$(command -v sshd || echo /usr/sbin/sshd)
[ -x "$sshd" ] || skip "no sshd (openssh-server)"
command -v ssh >/dev/null || skip "no ssh client"

# A private sshd: its own host key, port, authorised key and log, nothing of the system's.
ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$work/user_key"
cp "$work/user_key.pub" "$work/authorized_keys"
chmod 600 "$work/authorized_keys"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/sshd_config" <<CONF
Port $port
ListenAddress 127.0.0.1
HostKey $work/host_key
AuthorizedKeysFile $work/authorized_keys
PidFile $work/sshd.pid
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
StrictModes no
UsePAM no
CONF
# The daemon wants its privilege-separation folder; only root may make it.
[ -d /run/sshd ] || mkdir -p /run/sshd 2>/dev/null || true
# In the foreground of a background job, so that this script stops and reaps it.
"$sshd" -D -f "$work/sshd_config" -E "$work/sshd.log" &
sshd_pid=$!
master_pid=
stop_sshd() {
    for pid in $master_pid $sshd_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    cleanup_work
}
trap stop_sshd EXIT
sleep 0.2
kill -0 "$sshd_pid" 2>/dev/null || skip "sshd does not start: $(tail -1 "$work/sshd.log" 2>/dev/null)"

login="$(id -un)@127.0.0.1"
ssh_base="ssh -p $port -i $work/user_key -o BatchMode=yes -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o LogLevel=ERROR"
logged_in=
for _ in $(seq 1 20); do
    if $ssh_base "$login" true 2>"$work/ssh.err"; then
        logged_in=1
        break
    fi
    sleep 0.2
done
[ -n "$logged_in" ] || skip "cannot log in over ssh: $(tail -1 "$work/ssh.err")"
# One master connection, a job of this script, carries every later ssh and rsync: logins are
# slow on a busy machine.
$ssh_base -M -N -o ControlPath="$work/cm" "$login" &
master_pid=$!
for _ in $(seq 1 100); do
    [ -S "$work/cm" ] && break
    sleep 0.1
done
SSH="$ssh_base -o ControlMaster=no -o ControlPath=$work/cm"

make_photos "$work/local/shoot" 5
write_recipe "$work/local/recipe.ini"
# One photo per job numbers every photo 1: no {n} in this recipe.
sed -i 's/{n:3}-//; s/Photo {n} - //' "$work/local/recipe.ini"
grep -qE '\{n[}:]' "$work/local/recipe.ini" && fail "the recipe still numbers photos"
cd "$work/local"
"$tool" recipe.ini shoot -o whole -q >/dev/null

# One job per photo on the remote side (two at a time), photo and result travelling with rsync.
# The "remote" work folder is a folder of its own on this machine, so that everything the job
# needs really travels there and back.
remote="$work/remote"
parallel --will-cite --ssh "$SSH" -S "2/$login" --workdir "$remote" --basefile recipe.ini \
    --transferfile {} --return out/{/.}.jpg --cleanup \
    "$tool" recipe.ini {} -o out -q ::: shoot/*.jpg >"$work/per-photo.log" 2>&1 || { cat "$work/per-photo.log"; fail "parallel over ssh failed"; }
same_folders whole out
[ -z "$(find "$remote" -type f 2>/dev/null)" ] || fail "files were left in the remote work folder"

# Shards over ssh on a shared file system: absolute paths, nothing transferred.
parallel --will-cite --ssh "$SSH" -S "2/$login" \
    "$tool" "$PWD/recipe.ini" "$PWD/shoot" -o "$PWD/sharded" --shard {}/2 -j 1 -q ::: 1 2 \
    >"$work/shards.log"
same_folders whole sharded
echo "batch ssh_parallel passed (sshd on port $port)"
