#!/usr/bin/env bash
# Starts the real program in a throw-away desktop and uses it as a keyboard-only user with a
# screen reader would: every window and field the user meets has a name in the accessibility
# tree, Tab leaves the result grid, F6 goes round the search boxes, the tree and the grid, and
# stepping through the tree with the arrow keys shows a list while the focus stays in the tree.
# A dialog opened while the stay-on-top word editor is up comes in front of it. Run it inside
# ../shared/tools/with-desktop:
#
#   ../shared/tools/with-desktop tests/e2e/keyboard-and-names.sh [BUILD_DIR] [SHOT_DIR]
#
# BUILD_DIR holds yomida and yomida-cli.
#
# SHOT_DIR, when given, receives screenshots of the windows checked.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
shots=${2:-}
# The tree reader comes with the throw-away desktop; WINDOW_TREE names it when it lies elsewhere.
tree_tool=${WINDOW_TREE:-$here/../../../shared/tools/window-tree}
[[ -x $tree_tool ]] || { echo "keyboard-and-names: no window-tree at $tree_tool" >&2; exit 1; }
# shellcheck source=tests/e2e/session.sh
source "$here/session.sh"
# Fails unless the showing accessibility tree has a control of that role and name.
named() {
    local role=$1 name=$2
    "$tree_tool" --showing | grep -qxE " *$role \"$name\"" ||
        fail "no $role named \"$name\" on screen"
}
# Presses keys and fails unless the focus lands where each pattern (grep -E) says.
focus() {
    local -a keys=() wanted=()
    while (($#)); do keys+=("$1"); wanted+=("$2"); shift 2; done
    local out i=0 line
    out=$("$here/focus.py" "${keys[@]}") || fail "focus.py failed"
    echo "$out"
    while IFS= read -r line; do
        grep -qE "${wanted[i]}" <<<"${line#*$'\t'}" ||
            fail "after ${keys[i]} the focus is on ${line#*$'\t'}, not ${wanted[i]}"
        i=$((i + 1))
    done <<<"$out"
}

# The program lives in its own folder with this month's まんが王倶楽部 list, offline.
mkdir -p "$work/app/data"
cp "$build/yomida" "$work/app/yomida"
# Its lists are imported by hand (直接取得する off), so the import's question and file dialog open.
printf '[INTERNET]\r\nDIRECT=0\r\n[SERCH]\r\nTAISYOU=1\r\n[FILE]\r\nON_OFF_LINE=OFF\r\n' >"$work/app/yomida.INI"
"$build/yomida-cli" convert --category 1 --month "$(date +%Y-%m)" \
    "$here/../../samples/mangaoh-comic.html" "$work/app/data/comic$(date +%y%m).csv"
# The keys go to the active window, which needs the window manager up first.
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.2
done
"$work/app/yomida" &
pids+=($!)
window=
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^YOMIDA$' 2>/dev/null | head -n 1) && [[ -n $window ]] && break
    sleep 0.2
done
[[ -n $window ]] || fail "the window did not open"
drive wait "push button" "検　索" 20
xdotool windowactivate --sync "$window"
named label "並び順"

# The word editor, the condition list and the watch windows, with their fields.
xdotool key alt+e Return
drive wait dialog "YOMIDA エディター"
named text "出版社の条件（1行に1語）"
shot editor
xdotool key Escape
drive gone dialog "YOMIDA エディター"
xdotool key alt+s e
drive wait dialog "YOMIDA 検索条件編集"
named text "検索条件名称"
named list "保存した検索条件"
shot conditions
xdotool key Escape
drive gone dialog "YOMIDA 検索条件編集"
xdotool key alt+s w
drive wait dialog "ウォッチ設定"
for box in 出版社 タイトル 作者名; do named text "$box"; done
xdotool key Escape
drive gone dialog "ウォッチ設定"
xdotool key alt+s r
drive wait frame "ウォッチ結果"
named table "ウォッチに合った行"
shot watch
wmctrl -c "ウォッチ結果"
drive gone frame "ウォッチ結果"
xdotool windowactivate --sync "$window"
xdotool key alt+s Down Right
drive wait "menu item" "検索条件 3 (未使用)"
shot conditions-menu
xdotool key Escape Escape Escape
drive gone "menu item" "検索条件 3 (未使用)"

# Keyboard only, from the first search box: the focus starts there and each dialog gave it back.
xdotool windowactivate --sync "$window"
focus F6 '^tree "検索対象"' \
    Down '^tree "検索対象"'
drive wait label "件数：6件"
drive wait "table cell" "見本コミックス"
focus F6 '"検索結果"' \
    Tab '^combo box "出版社"' \
    shift+Tab '"検索結果"' \
    shift+Tab '^tree "検索対象"' \
    ctrl+f '"検索結果"' \
    Tab '^combo box "出版社"' \
    shift+F6 '"検索結果"' \
    F6 '^combo box "出版社"'
shot keyboard

# A question and the import's file dialog come in front of the stay-on-top word editor, which
# stays on top again once they are answered.
xdotool key alt+e Return
drive wait dialog "YOMIDA エディター"
editor=$(xdotool search --onlyvisible --name 'YOMIDA エディター' | head -n 1)
[[ -n $editor ]] || fail "the word editor has no window"
# Over the middle of the main window, where the dialogs open.
xdotool windowmove "$editor" 300 150 windowsize "$editor" 600 500
xdotool windowactivate --sync "$window"
drive press "push button" "オンラインモードにする"
drive wait label "接続：ON"
# 検索 > 検索対象 > 耽美系 > まんが王倶楽部・BL, a list imported from a saved page.
xdotool key alt+s Down Down Down Down Down Right Down Right Return
# Fails unless the window with that X id is stacked above the word editor.
in_front() {
    xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*' |
        awk -v a="$(printf '0x%x' "$1")" -v b="$(printf '0x%x' "$editor")" \
            '$0 == a { ta = NR } $0 == b { tb = NR } END { exit !(ta > tb && tb > 0) }' ||
        fail "$2 opened behind the word editor"
}
# The question box, titled as the main window is.
box() { xdotool search --onlyvisible --name '^YOMIDA$' | grep -vx "$window" | head -n 1; }
drive wait label "データをダウンロードしますか？"
in_front "$(box)" "the question"
drive press "push button" "はい*"
drive wait label "発売日一覧のページをブラウザで表示します。*"
in_front "$(box)" "the question"
drive press "push button" "はい*"
drive wait dialog "ファイルを開く"
in_front "$(xdotool search --onlyvisible --name '^ファイルを開く$' | head -n 1)" "the file dialog"
shot import-over-editor
xdotool key Escape
drive gone dialog "ファイルを開く"
xprop -id "$editor" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE ||
    fail "the word editor is no longer on top after the dialog"
drive wait dialog "YOMIDA エディター"
echo "keyboard-and-names: passed"
