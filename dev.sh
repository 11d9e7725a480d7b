#!/bin/sh
# Set-up, build, run and test on Debian 12.
#   ./dev.sh run    install what is missing, build, start the local demo board and the program
#   ./dev.sh test   install what is missing, build, run the whole test suite headless
set -eu
cd "$(dirname "$0")"
ROOT=$(pwd)
BUILD="$ROOT/build"

PACKAGES="build-essential cmake ninja-build pkg-config qt6-base-dev qt6-webengine-dev
qt6-multimedia-dev libicu-dev libgl-dev xvfb xauth openbox xdotool x11-apps imagemagick
fonts-ipafont-gothic fonts-noto-cjk nginx openssl"

install_packages() {
    missing=""
    for p in $PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
}

build() {
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD" -j "$(nproc)"
}

web_env() {
    export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
    [ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
    return 0
}

run() {
    web_env
    server="$BUILD/tools/board-server"
    if [ -x "$server" ]; then
        # The demo board grows a thread on its own; the program follows it.
        "$server" --demo --port 0 --port-file "$BUILD/demo.port" &
        server_pid=$!
        trap 'kill $server_pid 2>/dev/null || true' EXIT INT TERM
        for _ in $(seq 50); do [ -s "$BUILD/demo.port" ] && break; sleep 0.1; done
        set -- "http://127.0.0.1:$(cat "$BUILD/demo.port")/test/read.cgi/demo/1700000000/"
    else
        set --
    fi
    if [ -z "${DISPLAY:-}" ]; then
        xvfb-run -a "$BUILD/bin/sazanami" "$@"
    else
        "$BUILD/bin/sazanami" "$@"
    fi
}

run_tests() {
    web_env
    cd "$BUILD"
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure --timeout 300 -j 2
}

case "${1:-}" in
run) install_packages; build; run ;;
test) install_packages; build; run_tests ;;
*) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
