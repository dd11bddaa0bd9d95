# Sourced by the install checks: runs a command as a normal user. A program run by root may write
# anywhere, so as root the command runs as nobody.
user_run() {
    if [[ $(id -u) -eq 0 ]]; then
        setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
    else
        "$@"
    fi
}

# Hands a scratch folder to that user.
user_own() {
    if [[ $(id -u) -eq 0 ]]; then
        chown -R nobody:nogroup "$@"
    fi
}
