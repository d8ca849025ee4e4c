#!/usr/bin/env bash
# One wineserver for the whole Windows test run, so that no test program meets a server that is
# shutting down (a connect then fails with "recvmsg: Connection reset by peer").
#   wine-server.sh start PREFIX   makes the prefix if needed, then starts a persistent server
#   wine-server.sh stop PREFIX    stops it
# The server's streams are detached from the caller's: CTest waits for the pipes it hands a test to
# close, and a server holding them would keep the fixture from ever ending.
set -u
action=$1
export WINEPREFIX=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
case $action in
  start)
    "$here/wine-run.sh" cmd /c exit 0 </dev/null >/dev/null 2>&1 || { echo "the Wine prefix could not be made"; exit 1; }
    wineserver -w
    setsid wineserver -p </dev/null >/dev/null 2>&1 &
    # The first program connects once the server listens: when it has run, the server is up.
    "$here/wine-run.sh" cmd /c exit 0 </dev/null >/dev/null 2>&1 || { echo "no wineserver"; exit 1; }
    echo "persistent wineserver for $WINEPREFIX"
    ;;
  stop)
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    echo "wineserver stopped"
    ;;
  *)
    echo "usage: wine-server.sh start|stop PREFIX"
    exit 2
    ;;
esac
