#!/usr/bin/env bash
# The daily update's user units pass systemd-analyze verify, and the timer keeps the time,
# catch-up and spread it is shipped with.
#   tests/dist/verify-units.sh UNIT_FOLDER
set -euo pipefail
folder=$1
if ! command -v systemd-analyze >/dev/null; then
    echo "systemd-analyze is not installed: the units are not verified"
    exit 77
fi
# --man=no: the man page named by Documentation= is installed with the package, not here.
output=$(systemd-analyze verify --man=no "$folder/yomida-update.service" \
         "$folder/yomida-update.timer" 2>&1) || { echo "$output" >&2; exit 1; }
if [[ -n $output ]]; then
    echo "$output" >&2
    exit 1
fi
status=0
for line in 'OnCalendar=*-*-* 07:00:00' 'Persistent=true' 'RandomizedDelaySec=10min' \
            'WantedBy=timers.target'; do
    grep -qxF -- "$line" "$folder/yomida-update.timer" || { echo "timer lacks $line" >&2; status=1; }
done
for line in 'Type=oneshot'; do
    grep -qxF -- "$line" "$folder/yomida-update.service" || { echo "service lacks $line" >&2; status=1; }
done
grep -qE '^ExecStart=/.*/yomida-cli update$' "$folder/yomida-update.service" ||
    { echo "service does not run yomida-cli update" >&2; status=1; }
exit $status
