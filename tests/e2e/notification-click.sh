#!/usr/bin/env bash
# The news of an unattended `yomida-cli update` with real notification servers (dunst and
# notification-daemon): clicked, the notification opens ウォッチ結果, in the window that runs or
# in one the session bus starts for the click; dismissed, it takes the process the bus started
# for it along; and there is never more than one window. Run it inside
# ../shared/tools/with-desktop:
#
#   ../shared/tools/with-desktop tests/e2e/notification-click.sh [BUILD_DIR] [SHOT_DIR]
#
# BUILD_DIR holds yomida and yomida-cli; SHOT_DIR, when given, receives screenshots. The
# servers are Debian's dunst and notification-daemon; one that is not installed is skipped.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
shots=${2:-}
# shellcheck source=tests/e2e/session.sh
source "$here/session.sh"

# The windows are found through the window manager, which needs to be up first.
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.2
done

# A session bus of the script's own that starts the program as the installed service file would.
app=$work/app
mkdir -p "$app/data" "$work/services"
cp "$build/yomida" "$app/yomida"
printf '[D-BUS Service]\nName=jp.yomida.Yomida\nExec=%s --dbus-service\n' "$app/yomida" \
    >"$work/services/jp.yomida.Yomida.service"
sed "s|<auth>|<servicedir>$work/services</servicedir>\n  <auth>|" \
    "$here/../engine/test-bus.conf" >"$work/bus.conf"
dbus-daemon --config-file="$work/bus.conf" --print-address=3 --nofork 3>"$work/bus.address" &
pids+=($!)
for _ in $(seq 50); do [[ -s $work/bus.address ]] && break; sleep 0.1; done
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus.address")
export DBUS_SESSION_BUS_ADDRESS

# Offline lists of the まんが王倶楽部 samples, watched for 見本; the update's downloads fail at
# once, and its watch scan finds what a new list brings.
printf '[HOSTS]\r\nMANGAOH=127.0.0.1:9\r\n[FILE]\r\nON_OFF_LINE=OFF\r\n[WATCH]\r\nTITLE=見本\r\n' |
    iconv -f UTF-8 -t CP932 >"$app/yomida.INI"
months=0
add_list() {
    local month
    month=$(date -d "$(date +%Y-%m-15) +$months months" +%Y-%m)
    months=$((months + 1))
    "$build/yomida-cli" convert --category 1 --month "$month" "$here/../../samples/mangaoh-comic.html" \
        "$app/data/comic${month:2:2}${month:5:2}.csv" >/dev/null
}
update() {
    "$build/yomida-cli" update --data "$app/data" --settings "$app/yomida.INI" --category 1 \
        --months 1 --timeout 5 2>"$work/update.err" | grep -a '^new watch matches' || true
}
add_list
[[ $(update) == $'new watch matches\t0' ]] || fail "the first update reported news"

# The id of the managed window with exactly that title (xdotool's patterns miss Japanese ones).
visible() {
    local id title
    wmctrl -l | while read -r id _ _ title; do
        [[ $title == "$1" ]] && { echo "$id"; break; }
    done
}
wait_for() {  # wait_for SECONDS COMMAND...: until the command succeeds
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 5))); do "$@" && return 0; sleep 0.2; done
    return 1
}
shows() { [[ -n $(visible "$1") ]]; }
service_pid() { pgrep -f "^$app/yomida --dbus-service\$" || true; }
serving() { [[ -n $(service_pid) ]]; }
window_pids() { pgrep -f "^$app/yomida( --watch)?\$|^$app/yomida --dbus-service\$" | wc -l; }

for server in dunst notification-daemon; do
    case $server in
    dunst) command -v dunst >/dev/null || { echo "$script_name: no dunst: skipped"; continue; }
        dunst >/dev/null 2>&1 &
        ;;
    notification-daemon)
        [[ -x /usr/lib/notification-daemon/notification-daemon ]] ||
            { echo "$script_name: no notification-daemon: skipped"; continue; }
        /usr/lib/notification-daemon/notification-daemon >/dev/null 2>&1 &
        ;;
    esac
    server_pid=$!
    pids+=("$server_pid")
    wait_for 10 busctl --user status org.freedesktop.Notifications >/dev/null 2>&1 ||
        fail "$server did not take the bus"
    popups() {
        if [[ $server == dunst ]]; then dunstctl count displayed; else
            xdotool search --onlyvisible --name '^Notification$' 2>/dev/null | wc -l; fi
    }
    popped() { (($(popups) >= 1)); }
    popup() { xdotool search --onlyvisible --name '^Notification$' | head -n 1; }
    click() {
        if [[ $server == dunst ]]; then dunstctl action 0; else
            xdotool mousemove --window "$(popup)" 150 40 click 1
            # A pointer left over the next popup would keep it from expiring.
            xdotool mousemove 5 5
        fi
    }
    dismiss() {
        if [[ $server == dunst ]]; then dunstctl close; else
            xdotool mousemove --window "$(popup)" 376 29 click 1  # its close box
            xdotool mousemove 5 5
        fi
    }

    # No window: the bus starts the program for the news, which waits without a window.
    add_list
    [[ $(update) == $'new watch matches\t6' ]] || fail "$server: no news from the update"
    wait_for 10 popped || fail "$server: no notification"
    [[ -n $(service_pid) ]] || fail "$server: the bus did not start the program for the news"
    [[ -z $(visible YOMIDA) ]] || fail "$server: a window opened before the click"
    shot "$server-news"
    sleep 0.5  # the server may still be drawing it
    click
    wait_for 30 shows ウォッチ結果 || fail "$server: the click opened nothing"
    wait_for 10 shows YOMIDA || fail "$server: no main window"
    [[ $(window_pids) -eq 1 ]] || fail "$server: more than one program runs"
    shot "$server-clicked"

    # The window runs: the news is its own, and so is the click's result.
    window=$(service_pid)
    wmctrl -i -c "$(visible ウォッチ結果)"
    wait_for 10 eval "! shows ウォッチ結果" || fail "$server: ウォッチ結果 did not close"
    add_list
    [[ $(update) == $'new watch matches\t6' ]] || fail "$server: no news with the window open"
    wait_for 10 popped || fail "$server: no notification with the window open"
    click
    wait_for 30 shows ウォッチ結果 ||
        fail "$server: the click did not reach the running window"
    [[ $(window_pids) -eq 1 && $(service_pid) == "$window" ]] ||
        fail "$server: the click started a second program"
    wmctrl -i -c "$(visible YOMIDA)"
    wait_for 30 eval "! serving" || fail "$server: the window did not close"

    # Dismissed, the news takes the program the bus started for it along.
    add_list
    [[ $(update) == $'new watch matches\t6' ]] || fail "$server: no news the third time"
    wait_for 10 serving || fail "$server: the bus did not start the program"
    wait_for 10 popped || fail "$server: no notification the third time"
    sleep 0.5
    dismiss
    wait_for 60 eval "! serving" || fail "$server: the program outlived its notification"
    [[ -z $(visible YOMIDA) ]] || fail "$server: a window opened unasked"

    kill "$server_pid"
    wait "$server_pid" 2>/dev/null || true
done
echo "$script_name: passed"
