# shellcheck shell=bash disable=SC2154
# Sourced by the end-to-end scripts once they have set `here` (their folder) and `shots` (the
# screenshot folder, or empty): a scratch folder that goes away with every process the script
# started and recorded in `pids`, and the steps that fail with a screenshot, drive the window and
# take screenshots.
script_name=$(basename "$0" .sh)
work=$(mktemp -d)
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "$script_name: $*" >&2
    [[ -n $shots ]] && import -window root "$shots/failed.png" 2>/dev/null
    exit 1
}
drive() { "$here/drive.py" "$@" || fail "$*"; }
shot() { [[ -z $shots ]] || import -window root "$shots/$1.png"; }
