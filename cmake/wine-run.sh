#!/usr/bin/env bash
# Runs a Windows program under Wine with a private prefix inside the build tree, no debug chatter,
# no Mono/Gecko install dialogs and no crash dialog, so that nothing can wait for a user.
# The prefix is made once (under a lock, since CTest may start several tests at a time).
set -u
export WINEPREFIX=${WINEPREFIX:-$PWD/wineprefix}
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.gyrata-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.gyrata-ready" ]; then
      wineboot --init >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /t REG_SZ /d 1 /f >/dev/null 2>&1
      wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d 'false' /f >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.gyrata-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
