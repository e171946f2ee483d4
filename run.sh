#!/usr/bin/env bash
# VexaGrid: install what is missing, build, and run the demo, the tests,
# the sanitizer build, the fuzzers or the benchmarks.
#
#   ./run.sh demo     build, read the samples and print one on the simulated plotter
#   ./run.sh test     build and run every test (ctest)
#   ./run.sh asan     build and run every test under AddressSanitizer + UBSan
#   ./run.sh tsan     build and run the threaded tests under ThreadSanitizer
#   ./run.sh fuzz     build the libFuzzer targets with clang and run each for FUZZ_SECONDS (30)
#   ./run.sh bench    build and run the benchmarks
#   ./run.sh gui      build and start the desktop application on the simulated plotter
#   ./run.sh screenshots  drive the window under Xvfb and save screenshots into build/screenshots
#   ./run.sh build    only configure and build
#   ./run.sh package  build the Debian package into build/ and check it with lintian
#   ./run.sh package-test  install that package into a scratch root and try its programs and unit
#
# Environment: VEXA_WERROR=1 turns warnings into errors; BUILD_DIR overrides build/.
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
JOBS=$(nproc 2>/dev/null || echo 2)

BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libpng-dev zlib1g-dev help2man man-db bash-completion
                libcli11-dev nlohmann-json3-dev libusb-dev
                qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev)
FUZZ_PACKAGES=(clang libclang-rt-dev)
# Building and checking the Debian package.
PACKAGE_PACKAGES=(dpkg-dev file lintian systemd fakeroot)
# A virtual display to drive the window, and the fonts its texts need.
GUI_PACKAGES=(xvfb xdotool x11-utils imagemagick fonts-noto-cjk qt6-translations-l10n)

log() { printf '==> %s\n' "$*" >&2; }

install_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null; then sudo=(sudo); else
            echo "run.sh: need root (or sudo) to install: ${missing[*]}" >&2; exit 1
        fi
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# build DIR [cmake options...]
build() {
    local dir=$1; shift
    local werror=OFF
    [ "${VEXA_WERROR:-0}" = 1 ] && werror=ON
    cmake -S "$ROOT" -B "$dir" -G Ninja -DVEXA_WERROR=$werror "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}

run_tests() {
    local dir=$1
    ctest --test-dir "$dir" --output-on-failure -j "$JOBS"
}

cmd=${1:-}
case "$cmd" in
demo)
    install_packages "${BUILD_PACKAGES[@]}"
    build "$BUILD_DIR"
    log "reading the sample markers"
    "$BUILD_DIR/cli/vexagrid-cli" info "$ROOT"/examples/*.plt "$BUILD_DIR/examples/marker_20m.plt"
    log "printing examples/small_labels.plt on the simulated plotter (about a second a swath, as a real one)"
    mkdir -p "$BUILD_DIR/demo"
    VEXAGRID_HOME=${VEXAGRID_HOME:-$BUILD_DIR/demo/home} "$BUILD_DIR/cli/vexagrid-cli" print \
        "$ROOT/examples/small_labels.plt" --sim --out "$BUILD_DIR/demo"
    log "the printed image: $(ls "$BUILD_DIR"/demo/job-*.png | tail -n 1)"
    ;;
test)
    install_packages "${BUILD_PACKAGES[@]}"
    build "$BUILD_DIR"
    run_tests "$BUILD_DIR"
    ;;
asan)
    install_packages "${BUILD_PACKAGES[@]}"
    build "$ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVEXA_SANITIZE=address,undefined -DVEXA_BUILD_BENCH=OFF -DVEXA_BUILD_MANPAGES=OFF
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_tests "$ROOT/build-asan"
    ;;
tsan)
    install_packages "${BUILD_PACKAGES[@]}"
    build "$ROOT/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXA_SANITIZE=thread -DVEXA_BUILD_BENCH=OFF -DVEXA_BUILD_MANPAGES=OFF
    # The suites whose tests run the worker threads.
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
        ctest --test-dir "$ROOT/build-tsan" --output-on-failure -j "$JOBS" -L 'jobs|device|sim|e2e'
    ;;
fuzz)
    install_packages "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
    CC=clang CXX=clang++ build "$ROOT/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXA_BUILD_FUZZ=ON -DVEXA_BUILD_GUI=OFF \
        -DVEXA_SANITIZE=address,undefined -DVEXA_BUILD_TESTS=OFF -DVEXA_BUILD_BENCH=OFF -DVEXA_BUILD_MANPAGES=OFF
    for target in "$ROOT"/build-fuzz/fuzz/fuzz_*; do
        [ -x "$target" ] || continue
        name=$(basename "$target")
        corpus=$(mktemp -d)
        seeds="$ROOT/fuzz/corpus/${name#fuzz_}"
        [ -d "$seeds" ] && cp "$seeds"/* "$corpus"/ 2>/dev/null || true
        log "fuzzing $name for ${FUZZ_SECONDS:-30} s"
        set +o pipefail
        "$target" -max_total_time="${FUZZ_SECONDS:-30}" -max_len=20000 -rss_limit_mb=2048 \
            -artifact_prefix="$ROOT/build-fuzz/" -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
        rc=${PIPESTATUS[0]}
        set -o pipefail
        rm -rf "$corpus"
        [ "$rc" -eq 0 ] || { echo "run.sh: $name found a fault" >&2; exit 1; }
    done
    ;;
bench)
    install_packages "${BUILD_PACKAGES[@]}"
    build "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release
    for b in "$BUILD_DIR"/bench/bench_*; do [ -x "$b" ] && "$b"; done
    ;;
gui)
    install_packages "${BUILD_PACKAGES[@]}" fonts-noto-cjk qt6-translations-l10n
    build "$BUILD_DIR"
    VEXAGRID_HOME=${VEXAGRID_HOME:-$BUILD_DIR/gui-home} exec "$BUILD_DIR/ui/vexagrid" --sim
    ;;
screenshots)
    install_packages "${BUILD_PACKAGES[@]}" "${GUI_PACKAGES[@]}"
    build "$BUILD_DIR"
    "$ROOT/tools/gui_screenshots.sh" "$BUILD_DIR" "$BUILD_DIR/screenshots"
    ;;
build)
    install_packages "${BUILD_PACKAGES[@]}"
    build "$BUILD_DIR"
    ;;
package)
    install_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
    # The paths a Debian package installs to; the programs find their data there.
    build "$BUILD_DIR" -DCMAKE_INSTALL_PREFIX=/usr -DVEXA_UDEV_RULES_DIR=/lib/udev/rules.d \
        -DVEXA_SYSTEMD_UNIT_DIR=/lib/systemd/system
    (cd "$BUILD_DIR" && cpack -G DEB)
    deb=$(ls -t "$BUILD_DIR"/vexagrid_*.deb | head -n 1)
    log "lintian $deb"
    lintian --fail-on error "$deb"
    log "package: $deb"
    ;;
package-test)
    install_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
    "$ROOT/tools/check_package.sh" "$(ls -t "$BUILD_DIR"/vexagrid_*.deb | head -n 1)"
    ;;
*)
    sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
