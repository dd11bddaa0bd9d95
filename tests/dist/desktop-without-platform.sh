#!/usr/bin/env bash
# Where no Qt platform plugin can start (a Wayland platform asked for without a Wayland display,
# X asked for without an X display), the window program says so in words and ends with status 1
# instead of aborting.   tests/dist/desktop-without-platform.sh YOMIDA
set -uo pipefail
program=$1
status=0
for platform in wayland xcb; do
    said=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=$platform HOME=/nonexistent \
        "$program" 2>&1 </dev/null)
    got=$?
    if [[ $got -ne 1 || $said != *"no Qt platform plugin could start"*"QT_QPA_PLATFORM=$platform"* ]]; then
        echo "QT_QPA_PLATFORM=$platform: exit $got, said: $said" >&2
        status=1
    fi
done
exit $status
