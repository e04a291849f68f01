# The steps scenarios are written in. Each scenario's files live in $D; "end" copies them to
# the console, one "@@FILE name" header and "| "-prefixed lines each, for the host to check.

OUT=/tmp/out

begin() {
    SCENARIO=$1
    D=$OUT/$1
    TIMED_OUT=
    mkdir -p "$D"
    echo "@@BEGIN $1"
}

end() {
    for file in "$D"/*; do
        [ -f "$file" ] || continue
        echo "@@FILE ${file##*/}"
        sed 's/^/| /' "$file"
    done
    echo "@@END $SCENARIO"
}

# mount_record_disk: the host's fresh ext4 disk (virtio, /dev/vda) at /data, with the file
# system's defaults; XDG_DATA_HOME=/data puts the service record on it.
mount_record_disk() {
    wait_present /dev/vda 30 && mkdir -p /data && mount -t ext4 /dev/vda /data &&
        grep " /data " /proc/mounts >"$D/mount.options"
}

# power_cut: the scenario ends as "end" ends it, then the host kills the machine at once: no
# sync, no unmount; the disk keeps what the guest's own flushes put there. The host reads it.
power_cut() {
    end
    echo "@@CUT $SCENARIO"
    sleep 600
}

# A request to the host, carried out on the virtual machine's monitor (device_del ID,
# device_add DRIVER,OPTIONS...). The guest then waits for its effect.
host() {
    echo "@@HOST $*"
}

# card LINE [OPTIONS...]: the host gives the simulated card on LINE (uart, usb) these options,
# as merrowby-card-sim's command line takes them, in place of those it has; without options,
# the line's own, as at boot. Waits for the host's answer on the console ("card LINE ok" once
# the card has them; the host's checks fail a scenario whose card refused them).
card() {
    stty -F /dev/console -echo
    echo "@@CARD $*"
    # shellcheck disable=SC3045 # busybox's sh reads with a time-out
    while read -r -t 60 word line _ </dev/console; do
        [ "$word $line" = "card $1" ] && return
    done
    echo "@@TIMEOUT no answer from the host to card $*"
    TIMED_OUT=1
    return 1
}

# point NAME: the host notes how far each card's record has come, for the checks of what the
# cards received after it.
point() {
    echo "@@POINT $*"
}

# unplug_adapter, replug_adapter: the adapter leaves and comes back through the guest kernel's
# own disconnect path (its USB device deauthorized and authorized again), with no round trip
# through the host.
unplug_adapter() {
    readlink -f /sys/class/tty/ttyUSB0/device/../.. >"$D/adapter.sys"
    echo 0 >"$(cat "$D/adapter.sys")/authorized"
}

replug_adapter() {
    echo 1 >"$(cat "$D/adapter.sys")/authorized"
}

# plug_adapter SERIAL: the adapter unplugged, and plugged in again (into the next free USB port)
# with that serial number, or none when it is empty. Waited for also after a time-out, so that
# the scenarios after it find the adapter as they expect.
plug_adapter() {
    TIMED_OUT=
    host device_del adapter
    wait_gone /dev/ttyUSB0 30
    host "device_add usb-serial,id=adapter,bus=xhci.0,chardev=usb,serial=$1"
    wait_present /dev/ttyUSB0 60
}

# save_adapter FILE: the USB port path of the adapter behind ttyUSB0 (1-2: root hub port 2)
# and its serial number, or "none" without one.
save_adapter() {
    usb=$(readlink -f /sys/class/tty/ttyUSB0/device/../..)
    echo "${usb##*/} $(cat "$usb/serial" 2>/dev/null || echo none)" >"$D/$1"
}

# start_by_id_links, stop_by_id_links: mdev's netlink daemon keeps /dev/serial/by-id as a
# desktop's device manager does (/etc/mdev.conf, /rig/by-id-link), from its first scan on.
# The folder is made before the link in it, so the start waits for the link.
start_by_id_links() {
    mdev -df &
    echo $! >"$D/mdev.pid"
    wait_link /dev/serial/by-id 30
}

stop_by_id_links() {
    kill -TERM "$(cat "$D/mdev.pid")"
    wait "$(cat "$D/mdev.pid")"
    rm -rf /dev/serial
}

# wait_until SECONDS WHAT COMMAND...: until COMMAND succeeds, tried every 0.1 s, or
# "@@TIMEOUT WHAT". After a time-out the scenario's later waits try once only, so that one
# failure does not spend every later wait's time.
wait_until() {
    left=$(($1 * 10))
    what=$2
    shift 2
    [ -n "$TIMED_OUT" ] && left=0
    until "$@"; do
        if [ "$left" -le 0 ]; then
            echo "@@TIMEOUT $what"
            TIMED_OUT=1
            return 1
        fi
        sleep 0.1
        left=$((left - 1))
    done
}

# wait_for TEXT FILE SECONDS: until FILE (in $D) holds a line with TEXT.
wait_for() {
    wait_until "$3" "'$1' in $2" has_line -F "$1" "$2"
}

# wait_match PATTERN FILE SECONDS: until FILE (in $D) holds a line matching the extended
# regular expression PATTERN.
wait_match() {
    wait_until "$3" "'$1' in $2" has_line -E "$1" "$2"
}

# wait_count TEXT FILE COUNT SECONDS: until FILE (in $D) holds COUNT lines with TEXT.
wait_count() {
    wait_until "$4" "$3 of '$1' in $2" has_lines "$1" "$2" "$3"
}

wait_present() {
    wait_until "$2" "$1 present" [ -e "$1" ] && return
    dmesg | tail -n 8
    return 1
}

wait_gone() {
    wait_until "$2" "$1 gone" [ ! -e "$1" ]
}

# wait_link FOLDER SECONDS: until FOLDER holds a symbolic link.
wait_link() {
    wait_until "$2" "link in $1" has_link "$1"
}

has_line() {
    grep -q "$1" -- "$2" "$D/$3" 2>/dev/null
}

has_lines() {
    count=$(grep -c -F -- "$1" "$D/$2" 2>/dev/null)
    [ "${count:-0}" -ge "$3" ]
}

has_link() {
    find "$1" -type l 2>/dev/null | grep -q .
}

# start NAME PROGRAM ARGS...: in the background, output to NAME.out, pid in NAME.pid.
start() {
    name=$1
    shift
    "$@" >"$D/$name.out" 2>&1 &
    echo $! >"$D/$name.pid"
}

start_merrowby() {
    start merrowby merrowby --trace "$D/trace.txt" "$@"
}

# run NAME PROGRAM ARGS...: in the foreground, output to NAME.out, exit status to NAME.status.
run() {
    name=$1
    shift
    "$@" >"$D/$name.out" 2>&1
    echo $? >"$D/$name.status"
}

# run_apart NAME PROGRAM ARGS...: as run, with standard error apart in NAME.err.
run_apart() {
    name=$1
    shift
    "$@" >"$D/$name.out" 2>"$D/$name.err"
    echo $? >"$D/$name.status"
}

# stop NAME SECONDS: SIGTERM, then as wait_exit.
stop() {
    kill -TERM "$(cat "$D/$1.pid")"
    wait_exit "$1" "$2"
}

# wait_exit NAME SECONDS: the exit status in NAME.status ("hung" when it did not end in time,
# after which it is killed).
wait_exit() {
    pid=$(cat "$D/$1.pid")
    left=$(($2 * 10))
    while [ -d "/proc/$pid" ] && ! grep -q '^State:.*Z' "/proc/$pid/status" 2>/dev/null &&
        [ "$left" -gt 0 ]; do
        sleep 0.1
        left=$((left - 1))
    done
    if [ "$left" -eq 0 ]; then
        kill -KILL "$pid"
        wait "$pid"
        echo hung >"$D/$1.status"
    else
        wait "$pid"
        echo $? >"$D/$1.status"
    fi
}

# The user and system time of a process so far, in clock ticks (fields 14 and 15).
cpu_ticks() {
    # shellcheck disable=SC2046
    set -- $(cat "/proc/$1/stat" 2>/dev/null || echo 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0)
    echo $((${14} + ${15}))
}

# measure_cpu NAME SECONDS [LABEL]: the ticks NAME used over SECONDS, the CPU time in ns of
# its threads running at the end (-1 without schedstat; ticks charge a whole tick to whatever
# runs when it strikes, so a process waking each second on a tickless guest shows a tick per
# wake-up), and whether it still runs, in LABEL.cpu (NAME.cpu without a label).
measure_cpu() {
    pid=$(cat "$D/$1.pid")
    before=$(cpu_ticks "$pid")
    thread_ticks "$pid" >"$D/threads.before"
    thread_ns "$pid" >"$D/ns.before"
    sleep "$2"
    after=$(cpu_ticks "$pid")
    thread_ticks "$pid" >"$D/threads.after"
    thread_ns "$pid" >"$D/ns.after"
    alive=0
    [ -d "/proc/$pid" ] && alive=1
    ns=$(awk 'FILENAME == ARGV[1] { start[$1] = $2; next }
              { ns += $2 - start[$1]; threads++ }
              END { printf "%.0f", threads ? ns : -1 }' "$D/ns.before" "$D/ns.after")
    echo "ticks=$((after - before)) ns=$ns seconds=$2 hz=100 alive=$alive pid=$pid" >"$D/${3:-$1}.cpu"
    # Which threads used them, for the reader of a failure.
    awk 'NR == FNR { start[$1] = $2; next }
         ($1 in start) && $2 > start[$1] { printf "%s:%d ", $1, $2 - start[$1] }
         END { print "" }' "$D/threads.before" "$D/threads.after" >>"$D/${3:-$1}.cpu"
    rm -f "$D/threads.before" "$D/threads.after" "$D/ns.before" "$D/ns.after"
}

# "tid/comm ticks" of each thread of a process, sorted by thread id.
thread_ticks() {
    for task in /proc/"$1"/task/*; do
        # shellcheck disable=SC2046
        set -- $(cat "$task/stat" 2>/dev/null) || continue
        echo "${1}/${2} $((${14} + ${15}))"
    done | sort
}

# "tid ns" of each thread of a process: the CPU time it has had so far, the first field of its
# schedstat.
thread_ns() {
    for task in /proc/"$1"/task/*; do
        read -r ns _ <"$task/schedstat" 2>/dev/null && echo "${task##*/} $ns"
    done
}

# The guest's busy clock ticks so far, all processors: everything but idle and iowait.
guest_busy_ticks() {
    awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9 }' /proc/stat
}

# measure_cpu_time NAME SECONDS LABEL: LABEL.cputime gets "ns=N ended=E ticks=T seconds=S
# guest_busy_ticks=G hz=100 alive=0|1": N the CPU time of the threads running at the end (each
# from its start when it began inside the span; -1 without schedstat), E how many threads ended
# inside the span (their time is only in T), T the whole process's clock ticks (ended threads
# included), S the span from /proc/uptime.
measure_cpu_time() {
    pid=$(cat "$D/$1.pid")
    thread_ns "$pid" >"$D/ns.before"
    set -- "$1" "$2" "$3" "$(cpu_ticks "$pid")" "$(guest_busy_ticks)" "$(cut -d' ' -f1 /proc/uptime)"
    sleep "$2"
    thread_ns "$pid" >"$D/ns.after"
    ticks=$(($(cpu_ticks "$pid") - $4))
    busy=$(($(guest_busy_ticks) - $5))
    seconds=$(echo "$6 $(cut -d' ' -f1 /proc/uptime)" | awk '{ printf "%.2f", $2 - $1 }')
    alive=0
    [ -d "/proc/$pid" ] && alive=1
    ns=$(awk 'FILENAME == ARGV[1] { start[$1] = $2; next }
              { ns += $2 - start[$1]; seen[$1] = 1; threads++ }
              END { for (t in start) if (!(t in seen)) ended++
                    if (!threads) ns = -1
                    printf "%.0f %d", ns, ended }' "$D/ns.before" "$D/ns.after")
    echo "ns=${ns% *} ended=${ns#* } ticks=$ticks seconds=$seconds guest_busy_ticks=$busy" \
        "hz=100 alive=$alive" >"$D/$3.cputime"
    rm -f "$D/ns.before" "$D/ns.after"
}

save_stty() {
    stty -F "$1" -g >"$D/$2" 2>&1
}

# save_modem_lines N FILE: the modem lines of UART ttySN as its driver reports them (RTS|DTR
# and so on), also while the port is closed.
save_modem_lines() {
    grep "^$1:" /proc/tty/driver/serial | tr ' ' '\n' | grep -v : >"$D/$2"
}

# stop_card_dump DEVICE: a card whose dump went on while its line was gone still streams; the
# single byte M stops it, so that the next scenario finds it answering.
stop_card_dump() {
    stty -F "$1" 9600 raw -echo
    printf M >"$1"
}
