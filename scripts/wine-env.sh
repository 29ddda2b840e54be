# Sourced by the Wine wrapper and the test scripts: a private Wine prefix inside
# the build tree, a virtual X display when none is set, and one persistent
# wineserver so that later Wine starts are fast.
_vl_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Wine starts 32-bit programs with its 32-bit loader, a 32-bit Linux program.
# Some hosts cannot run one at all (virtual machines without 32-bit support:
# "Exec format error"). There the Windows tests and the demo use a 64-bit build
# of the same sources under Wine's 64-bit loader. VL_WINE_BITS says which;
# VL_CROSS_TOOLCHAIN is the matching cross toolchain, VL_WINE the loader.
# An emulator registered for 32-bit programs (qemu-user) does not count: Wine
# crawls and crashes under it.
if [ -z "${VL_WINE_BITS:-}" ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1 &&
        ! grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
        VL_WINE_BITS=32
    else
        VL_WINE_BITS=64
    fi
fi
export VL_WINE_BITS
if [ "$VL_WINE_BITS" = 64 ]; then
    export VL_WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64
    export VL_CROSS_TOOLCHAIN="$_vl_root/cmake/mingw-x86_64.cmake" VL_CROSS_DIR=build/cross64
    _vl_default_prefix="$_vl_root/build/wineprefix64"
else
    export VL_WINE=wine
    export VL_CROSS_TOOLCHAIN="$_vl_root/cmake/mingw-i686.cmake" VL_CROSS_DIR=build/cross
    _vl_default_prefix="$_vl_root/build/wineprefix"
fi
export WINEPREFIX="${VL_WINEPREFIX:-$_vl_default_prefix}"
export WINEDEBUG=-all
# No Gecko/Mono prompts, and no host menu entries for the shortcuts tests make.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
_vl_state="$(dirname "$WINEPREFIX")/.wine-state"
mkdir -p "$_vl_state"

_vl_wineserver() {
    if command -v wineserver >/dev/null 2>&1; then echo wineserver;
    elif [ -x /usr/lib/wine/wineserver64 ]; then echo /usr/lib/wine/wineserver64;
    else echo /usr/lib/wine/wineserver32; fi
}

# A display: keep the caller's, else one Xvfb shared by all runs of this tree.
if [ -z "${DISPLAY:-}" ] || [ -n "${VL_FORCE_XVFB:-}" ]; then
    exec 9>"$_vl_state/xvfb.lock"
    flock 9
    _vl_disp=""
    if [ -f "$_vl_state/xvfb.display" ] && [ -f "$_vl_state/xvfb.pid" ] &&
        kill -0 "$(cat "$_vl_state/xvfb.pid")" 2>/dev/null; then
        _vl_disp="$(cat "$_vl_state/xvfb.display")"
    else
        for n in $(seq 91 140); do
            if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then _vl_disp=":$n"; break; fi
        done
        # The lock's descriptor is not handed down: a long-lived child holding it
        # would block every later run once this shell is gone.
        nohup Xvfb "$_vl_disp" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 9>&- &
        echo $! >"$_vl_state/xvfb.pid"
        echo "$_vl_disp" >"$_vl_state/xvfb.display"
        for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X${_vl_disp#:}" ] && break; sleep 0.1; done
    fi
    export DISPLAY="$_vl_disp"
    flock -u 9
    exec 9>&-
fi

# The prefix: created once, tuned for tests (no window manager waits, no crash dialog).
exec 8>"$_vl_state/prefix-$(basename "$WINEPREFIX").lock"
flock 8
if [ ! -f "$WINEPREFIX/.vl-ready-$VL_WINE_BITS" ]; then
    # A prefix made by the other loader cannot be used by this one.
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$VL_WINE" wineboot -i >/dev/null 2>&1 8>&-
    "$VL_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 8>&-
    "$VL_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 8>&-
    # The caption buttons are drawn with Marlett; Debian ships it outside the prefix.
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    "$(_vl_wineserver)" -w 8>&-
    touch "$WINEPREFIX/.vl-ready-$VL_WINE_BITS"
fi
flock -u 8
exec 8>&-
# Keep one server alive (exits when already running).
"$(_vl_wineserver)" -p >/dev/null 2>&1 || true

# Wine's background services start with the first program and keep its standard
# streams open for good; a caller reading that program's output through a pipe
# would then wait forever. Start them once with nothing attached.
vl_wine_warm_up() {
    "$VL_WINE" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 || true
}
