#!/bin/sh
# Set-up, build, run and test on Debian 12.
#   ./dev.sh run    install what is missing, build, start the local demo board and the program
#   ./dev.sh test   install what is missing, build, run the whole test suite headless
#   ./dev.sh fuzz   build the libFuzzer harnesses with clang (build-fuzz/), run each on its seeds
#                   and then for FUZZ_SECONDS (20) seconds; a crash or a broken property fails
#   ./dev.sh sanitize [web]
#                   build the unit, network and GUI tests (and the web-view tests when asked)
#                   with AddressSanitizer and UndefinedBehaviorSanitizer (build-sanitize/), run them
#   ./dev.sh package  install what is missing, build, make the Debian package and print its path
set -eu
cd "$(dirname "$0")"
ROOT=$(pwd)
BUILD="$ROOT/build"

PACKAGES="build-essential cmake ninja-build pkg-config qt6-base-dev qt6-webengine-dev
qt6-multimedia-dev qt6-httpserver-dev qt6-websockets-dev libicu-dev libgl-dev xvfb xauth openbox
xdotool x11-apps imagemagick chromium qt6-translations-l10n
fonts-ipafont-gothic fonts-noto-cjk fonts-noto-color-emoji
nginx openssl dpkg-dev file desktop-file-utils appstream libpcre2-dev
qt6-speech-dev qt6-speech-speechd-plugin speech-dispatcher speech-dispatcher-espeak-ng espeak-ng
pulseaudio pulseaudio-utils"
FUZZ_PACKAGES="clang-14 libclang-rt-14-dev"

install_packages() {
    missing=""
    for p in $PACKAGES "$@"; do
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

# build [TARGET...]: everything, or only the targets named.
build() {
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    if [ $# -gt 0 ]; then
        cmake --build "$BUILD" -j "$(nproc)" --target "$@"
    else
        cmake --build "$BUILD" -j "$(nproc)"
    fi
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
        # The demo board grows a thread on its own; the program follows it. The port file of
        # an earlier run must not be mistaken for this board's.
        port_file="$BUILD/demo.port"
        rm -f "$port_file"
        "$server" --demo --port 0 --port-file "$port_file" &
        server_pid=$!
        trap 'kill $server_pid 2>/dev/null || true' EXIT INT TERM
        for _ in $(seq 100); do [ -s "$port_file" ] && break; sleep 0.1; done
        if [ ! -s "$port_file" ]; then
            echo "the demo board did not start" >&2
            exit 1
        fi
        set -- "http://127.0.0.1:$(cat "$port_file")/test/read.cgi/demo/1700000000/"
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

# Known leaks of the system libraries, not of this program.
export LSAN_OPTIONS="suppressions=$ROOT/fuzz/lsan.supp:print_suppressions=0"

fuzz() {
    dir="$ROOT/build-fuzz"
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++-14 -DSAZANAMI_FUZZ=ON >/dev/null
    cmake --build "$dir" -j "$(nproc)" --target fuzzers
    mkdir -p "$dir/findings"
    failed=""
    for harness in "$dir"/fuzz/fuzz_*; do
        [ -f "$harness" ] && [ -x "$harness" ] || continue
        name=${harness##*/fuzz_}
        seeds="$ROOT/fuzz/corpus/$name"
        [ -d "$seeds" ] || { echo "fuzz_$name has no seeds in $seeds" >&2; failed="$failed $name"; continue; }
        mkdir -p "$dir/corpus/$name"
        echo "== fuzz_$name: seeds, then ${FUZZ_SECONDS:-20} s"
        # New inputs go to the build folder's corpus; the seeds are read first, every one of them.
        "$harness" -max_total_time="${FUZZ_SECONDS:-20}" -timeout=10 -print_final_stats=1 \
            -artifact_prefix="$dir/findings/$name-" "$dir/corpus/$name" "$seeds" \
            >"$dir/findings/$name.log" 2>&1 || failed="$failed $name"
        tail -n 12 "$dir/findings/$name.log" | grep -E 'stat::number_of_executed_units|Done' || true
    done
    if [ -n "$failed" ]; then
        for name in $failed; do tail -n 40 "$dir/findings/$name.log" >&2; done
        echo "fuzzing failed:$failed (inputs in $dir/findings/)" >&2
        return 1
    fi
}

sanitize() {
    dir="$ROOT/build-sanitize"
    targets="tests_unit tests_net tests_gui"
    labels="unit|net|gui"
    # Tests that also drive the web view wait for "web": they are slower and need the settings below.
    exclude="^web\$"
    if [ "${1:-}" = web ]; then
        targets="$targets tests_web"
        labels="$labels|web"
        exclude="^\$"
        web_env
        # Qt WebEngine's own destructor frees with a mismatched delete; not this program's.
        export ASAN_OPTIONS="new_delete_type_mismatch=0"
        # No GL driver in the process: the view composes through Qt Quick's software renderer.
        # A GL driver that is unloaded at exit leaves blocks LeakSanitizer cannot attribute, and
        # which driver that is depends on the machine.
        export QT_XCB_GL_INTEGRATION=none QT_QUICK_BACKEND=software
        # The engine and its D-Bus client keep blocks for the life of the process.
        export LSAN_OPTIONS="suppressions=$ROOT/fuzz/lsan-web.supp:print_suppressions=0"
    fi
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DSAZANAMI_SANITIZE=ON >/dev/null
    # shellcheck disable=SC2086
    cmake --build "$dir" -j "$(nproc)" --target $targets
    cd "$dir"
    xvfb-run -a -s "-screen 0 1280x1024x24" \
        ctest -L "^($labels)\$" -LE "$exclude" --output-on-failure --timeout 600 -j 2
}

package() {
    rm -rf "$BUILD/packages"
    cpack --config "$BUILD/CPackConfig.cmake" -B "$BUILD/packages" >/dev/null
    ls "$BUILD"/packages/*.deb
}

case "${1:-}" in
run) install_packages; build sazanami sazanami_data board-server; run ;;
test) install_packages; build; run_tests ;;
fuzz) install_packages $FUZZ_PACKAGES; fuzz ;;
sanitize) install_packages; sanitize "${2:-}" ;;
package) install_packages; build; package ;;
*) echo "usage: $0 run|test|package|fuzz|sanitize [web]" >&2; exit 2 ;;
esac
