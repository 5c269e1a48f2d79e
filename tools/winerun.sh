#!/usr/bin/env bash
# Runs a Windows program under Wine in an isolated prefix with a virtual X display.
#
#   winerun.sh --prefix DIR PROGRAM [ARGS...]   run PROGRAM (a Windows .exe) in the prefix DIR
#   winerun.sh --prefix DIR --init              make the prefix, start its display, keep its server up
#   winerun.sh --prefix DIR --shutdown          stop the prefix's wineserver and its display
#
# The prefix is made on first use (wineboot) and shared by every program of a run. Its crash
# debugger is switched off, so a crashing program ends at once with a failure code instead of
# waiting for a debugger. One Xvfb display is started per prefix, so windows and dialogs exist.
set -euo pipefail

prefix=""
if [ "${1:-}" = "--prefix" ]; then prefix=$2; shift 2; fi
[ -n "$prefix" ] || { echo "winerun.sh: --prefix DIR is required" >&2; exit 2; }
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)

if [ -x /usr/lib/wine/wine64 ]; then loader=/usr/lib/wine/wine64
else loader=$(command -v wine64 || command -v wine); fi
server=$(command -v wineserver || echo /usr/lib/wine/wineserver)

export WINEPREFIX="$prefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko install prompts while the prefix is made.
export WINEDLLOVERRIDES="mscoree=;mshtml="

lock="$prefix.lock"

start_display() {
    local pidfile="$prefix/.xvfb-pid" dispfile="$prefix/.xvfb-display"
    if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
        DISPLAY=":$(cat "$dispfile")"; export DISPLAY; return
    fi
    local fifo; fifo=$(mktemp -u); mkfifo "$fifo"
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 </dev/null &
    echo $! >"$pidfile"
    local n; read -r n <"$fifo"; rm -f "$fifo"
    echo "$n" >"$dispfile"
    DISPLAY=":$n"; export DISPLAY
}

make_prefix() {
    # The marker names the set-up's version, so a prefix made by an older runner is set up again.
    [ -f "$prefix/.ready-3" ] && return
    if [ ! -f "$prefix/.ready-2" ]; then
        "$loader" wineboot -i >/dev/null 2>&1 || true
        # A crash must end the program, never start winedbg.
        # An empty debugger command cannot start, so Wine ends the faulting process with a failure code.
        # Auto must be 1: otherwise a process with windows first asks in a message box whether to debug.
        local aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
        "$loader" reg add "$aedebug" /v Debugger /t REG_SZ /d "" /f >/dev/null 2>&1
        "$loader" reg add "$aedebug" /v Auto /t REG_SZ /d 1 /f >/dev/null 2>&1
        "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        touch "$prefix/.ready-2"
    fi
    # Windows are not handed to a window manager: there is none on the virtual display, and
    # hiding a managed window (ending every modal dialog) would wait for one for about 2 s.
    "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    "$server" -w
    touch "$prefix/.ready-3"
}

# Keeps the prefix's server and its system processes running with no terminal of ours: a
# program that started them would otherwise pass them its output, and whoever reads that output
# (CTest) would wait for them to end too.
start_server() {
    "$server" -p </dev/null >/dev/null 2>&1 || true
    "$loader" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

if [ "${1:-}" = "--shutdown" ]; then
    "$server" -k 2>/dev/null || true
    if [ -f "$prefix/.xvfb-pid" ]; then kill "$(cat "$prefix/.xvfb-pid")" 2>/dev/null || true; rm -f "$prefix/.xvfb-pid"; fi
    exit 0
fi

# Prefix and display are set up once, under a lock, by whichever program comes first.
exec 9>"$lock"
flock 9
start_display
make_prefix
[ "${1:-}" = "--init" ] && start_server
flock -u 9
exec 9>&-

[ "${1:-}" = "--init" ] && exit 0
[ $# -ge 1 ] || { echo "winerun.sh: no program given" >&2; exit 2; }
exec "$loader" "$@"
