#!/usr/bin/env bash
# The man page and `yomida-cli --help` name the same commands: every command of the usage has an
# entry in the man page and every option of it is described there, and every command the man
# page describes is in the usage.
#   tests/dist/man-page-commands.sh YOMIDA_CLI MAN_PAGE
set -euo pipefail
cli=$1
page=$2

usage=$("$cli" --help) || { echo "yomida-cli --help failed" >&2; exit 1; }
# A command's entry in the usage starts two spaces in; its continuation lines start further in.
mapfile -t in_usage < <(sed -n 's/^  \(-\{0,2\}[a-z][a-z0-9-]*\).*/\1/p' <<<"$usage" | sort -u)
((${#in_usage[@]} > 0)) || { echo "no command found in the usage" >&2; exit 1; }

# An entry of the man page is the first word of the line after a .TP, dashes written \-.
mapfile -t in_page < <(sed -n '/^\.TP/{n;s/^\.B[IR]\{0,1\} \{1,\}"\{0,1\}\([^ "]*\).*/\1/p}' "$page" |
    sed 's/\\-/-/g; s/,$//' | sort -u)

# The lists go to grep as here-strings: grep -q stops reading at its first match, and with
# pipefail a printf cut off by that would count as no match.
status=0
for name in "${in_usage[@]}"; do
    if [[ $name == -* ]]; then
        # An option may be described in an entry of its own or in its command's.
        grep -qF -- "${name//-/\\-}" "$page" && continue
    elif grep -qxF -- "$name" <<<"$(printf '%s\n' "${in_page[@]}")"; then
        continue
    fi
    echo "$page has no entry for '$name' of yomida-cli --help" >&2
    status=1
done
# The page's commands are the entries of its COMMANDS section.
mapfile -t page_commands < <(sed -n '/^\.SH COMMANDS/,/^\.SH /{/^\.TP/{n;s/^\.B[IR]\{0,1\} \{1,\}"\{0,1\}\([a-z][a-z0-9\\-]*\).*/\1/p}}' "$page" |
    sed 's/\\-/-/g')
for name in "${page_commands[@]}"; do
    if ! grep -qxF -- "$name" <<<"$(printf '%s\n' "${in_usage[@]}")"; then
        echo "$page describes '$name', which yomida-cli --help does not name" >&2
        status=1
    fi
done
exit $status
