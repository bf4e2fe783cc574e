# Installs the Debian packages the build, the tests and the demo need, when missing.
# Sourced by scripts/run and scripts/test.
MASMENT_PACKAGES=(
    cmake g++ pkg-config make clang-format git
    qt6-base-dev libgl-dev qt6-translations-l10n
    firebird-dev firebird3.0-server-core firebird3.0-common firebird3.0-server
    libicu-dev libmuparser-dev libgtest-dev
    fonts-ipafont-mincho fonts-ipafont-gothic
    xvfb xauth
    poppler-utils
)

install_missing_packages() {
    local missing=()
    for p in "${MASMENT_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo apt-get update -qq
        # The server package would start the machine's own Firebird service; the
        # tests and the demo run private servers (scripts/fbserver.sh) instead.
        local policy=""
        if [ ! -e /usr/sbin/policy-rc.d ]; then
            policy=/usr/sbin/policy-rc.d
            printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
            $sudo chmod +x "$policy"
        fi
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" || {
            [ -z "$policy" ] || $sudo rm -f "$policy"
            return 1
        }
        [ -z "$policy" ] || $sudo rm -f "$policy"
    fi
}
