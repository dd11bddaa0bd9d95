# Sourced by the build scripts: installs the Debian packages the build needs, when any is missing.
# A Japanese font is among them: the window shows Japanese text, and the window tests measure it.
# Source definitions are YAML (yaml-cpp), their responses XML or HTML (libxml2) or JSON
# (nlohmann-json).
# The validators of the desktop entry and the AppStream metadata, lintian and dpkg-dev check
# what an install and the Debian package give a user.
yomida_packages=(
    g++ cmake ninja-build pkg-config clang-format
    libicu-dev libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libgl-dev python3 qt6-translations-l10n
    fonts-ipafont-gothic libical-dev libacl1-dev libssl-dev nlohmann-json3-dev
    libxml2-dev libyaml-cpp-dev libsystemd-dev liburiparser-dev dbus-daemon dbus-bin
    desktop-file-utils appstream lintian dpkg-dev
)

yomida_install_missing() {
    local missing=() p
    for p in "${yomida_packages[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    if ((${#missing[@]} == 0)); then
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}
