#!/usr/bin/env bash
# Installs the built Debian package on this machine, runs the installed
# client as a new user would (InstalledClient.sh, in network and process
# namespaces of its own, so the fixed ports are its own and every process it
# sees is the test's), and removes the package again, whatever happens.
# Needs root; skipped (77) without it. Test runs on this machine take turns.
# usage: InstallDeb.sh BUILD_DIR [DEB]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
deb=${2:-$(ls "$build"/package/pictavo_*.deb 2>/dev/null | head -1)}
fail() { echo "FAIL: $*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || { echo "not root: cannot install the package"; exit 77; }
[ -f "$deb" ] || fail "no package in $build/package (the package_deb test makes it)"

exec 9>/run/lock/pictavo-package-test.lock
flock 9
if dpkg-query -W -f='${Status}' pictavo 2>/dev/null | grep -q 'ok installed$'; then
  fail "pictavo is installed on this machine already; the test installs and removes its own"
fi

installed=0
remove() {
  if [ "$installed" = 1 ] && dpkg-query -W -f='${Status}' pictavo 2>/dev/null | grep -q 'ok installed$'; then
    dpkg -r pictavo >/dev/null || true
  fi
}
trap remove EXIT
installed=1
if ! dpkg -i "$deb" >"$build/package/dpkg.log" 2>&1; then
  DEBIAN_FRONTEND=noninteractive apt-get -f install -y -qq >>"$build/package/dpkg.log" 2>&1 \
    || { cat "$build/package/dpkg.log"; fail "the package does not install"; }
fi
[ -x /usr/bin/pictavo ] || fail "no /usr/bin/pictavo after installing"

# A shell stays the namespace's first process: xvfb-run there would never
# hear its server's ready signal, and orphans need someone to reap them.
timeout -k 5 180 unshare --net --pid --fork --mount-proc bash -c \
  'xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" dbus-run-session -- "$@"; exit $?' namespace \
  "$here/InstalledClient.sh" "$build/bin"
! dpkg-query -W -f='${Status}' pictavo 2>/dev/null | grep -q 'ok installed$' || fail "the package is still installed"
[ ! -e /usr/bin/pictavo ] && [ ! -e /usr/bin/pictavo-demo-portal ] || fail "the package left its programs behind"
echo "installed package ok: $(basename "$deb")"
