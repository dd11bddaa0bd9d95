#!/usr/bin/env bash
# Starts the real program in a throw-away desktop and drives a direct download from a local
# server that is far too slow: the busy display with its cancel button must be on screen during
# the transfer, pressing the button must end it, and the list fetched before must stay byte for
# byte; Escape must end a second such download as the button does. Run it inside
# ../shared/tools/with-desktop:
#
#   ../shared/tools/with-desktop tests/e2e/cancel-slow-download.sh [BUILD_DIR] [SHOT_DIR]
#
# SHOT_DIR, when given, receives screenshots of the window before and during the transfer.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
shots=${2:-}
# shellcheck source=tests/e2e/session.sh
source "$here/session.sh"

"$here/slow_server.py" "$here/../data/weekly.html" "$work/port" &
pids+=($!)
for _ in $(seq 50); do [[ -s $work/port ]] && break; sleep 0.1; done
[[ -s $work/port ]] || fail "the local server did not start"

# The program lives in its own folder, so its settings and data files stay there. It starts on
# the weekly list (category 2), which is fetched directly from the local server. Tick saving is
# off, so the download is the only thing that could write the data file.
mkdir -p "$work/app"
cp "$build/yomida" "$work/app/yomida"
printf '[SERCH]\r\nTAISYOU=2\r\n[CHECK]\r\nCHECK=0\r\n[HOSTS]\r\nWEEKLY=127.0.0.1:%s\r\n' "$(cat "$work/port")" \
    >"$work/app/yomida.INI"
"$work/app/yomida" &
pids+=($!)

# A first download fills the list.
drive press "push button" "検　索" 20
drive press "push button" "はい*"
drive wait "label" "件数：2件"
data=$(find "$work/app/data" -name '*.csv' -print -quit)
[[ -n $data ]] || fail "the first download wrote no data file"
cp "$data" "$work/before.csv"
shot before

# A forced download that never ends: the busy display stands in for the tree and the list.
drive press "check box" "データの強制ダウンロード"
shot forced
drive press "push button" "検　索"
drive press "push button" "はい*"
drive wait "push button" "キャンセル"
drive wait "label" "状態：受信: *"
drive gone "tree" "検索対象" 1
shot during
drive press "push button" "キャンセル"
# The ended transfer is reported in a box over the busy display.
drive press "push button" "OK"
drive gone "push button" "キャンセル"
drive wait "tree" "検索対象"
cmp -s "$work/before.csv" "$data" || fail "the cancelled download changed the data file"
shot after

# Escape cancels as the button does.
drive press "check box" "データの強制ダウンロード"
drive press "push button" "検　索"
drive press "push button" "はい*"
drive wait "push button" "キャンセル"
drive wait "label" "状態：受信: *"
window=$(xdotool search --onlyvisible --name '^YOMIDA$' | head -n 1)
xdotool windowactivate --sync "$window" key Escape
drive press "push button" "OK"
drive gone "push button" "キャンセル"
drive wait "tree" "検索対象"
cmp -s "$work/before.csv" "$data" || fail "the download cancelled by Escape changed the data file"
echo "cancel-slow-download: passed"
