#!/usr/bin/env bash
# Checks that the README's commands and the Debian package work on a fresh
# Debian 12 machine. Builds a bare bookworm root once (mmdebstrap, minbase,
# with git and ca-certificates), clones this repository's committed HEAD into
# it, and runs each step as root in its own fresh copy of that root, without a
# display: the run command, the test command, scripts/package.sh, and the
# package's installation with scripts/check-installed.sh. Prints each step's
# result and wall time; the logs stay in the directory it names. Exits 0 only
# when every step passed. Needs root, the Debian package network and minutes
# (the test step alone takes ten minutes or more).
# Usage: sudo scripts/fresh-check.sh
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
. "$repo/scripts/apt-archives.sh"
[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (chroot, mounts)" >&2; exit 2; }
if ! command -v mmdebstrap >/dev/null; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap
fi

work="$(mktemp -d /var/tmp/fresh-check.XXXXXX)"
chmod 755 "$work"   # apt in the root downloads as the user _apt
roots="$work/roots"
base="$roots/base"
mkdir "$roots"

# Removes the roots and keeps the logs. Mounts are only ever made in private
# namespaces (see in_root), so none can be left under $roots; should one be,
# nothing is deleted.
cleanup() {
  if findmnt -rn -o TARGET | grep "^$roots" >/dev/null; then  # not -q: see pipefail
    echo "fresh-check: something is still mounted under $roots; left in place" >&3
    return
  fi
  rm -rf --one-file-system "$roots"
}
# Messages from traps go to fd 3, the script's own stderr: a trap may run
# while a step's output still goes to its log.
exec 3>&2
trap cleanup EXIT
trap 'echo "fresh-check: interrupted" >&3; exit 130' INT
trap 'echo "fresh-check: interrupted" >&3; exit 143' TERM

# in_root NAME COMMAND: runs COMMAND with bash as root in $roots/NAME, with
# /proc, /dev, /sys and a tmpfs /tmp mounted and only HOME and PATH set (no
# DISPLAY or WAYLAND_DISPLAY). The mounts exist only in a private mount
# namespace and every process in a private pid namespace, so all of them end
# when the command ends or is interrupted. The command starts with every
# signal at its default, as from a terminal (bash ignores SIGINT in the
# background job it waits for).
in_root() {
  unshare --mount --pid --fork --propagation private -- /bin/bash -euc '
    r=$1
    mount -t proc proc "$r/proc"
    mount --rbind /dev "$r/dev"
    mount --rbind /sys "$r/sys"
    mount -t tmpfs tmpfs "$r/tmp"
    trap "exit 130" INT TERM
    chroot "$r" /usr/bin/env --default-signal -i HOME=/root \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      /bin/bash -c "$2" &
    wait $!' in-root "$roots/$1" "$2"
}

# fresh NAME: makes $roots/NAME a copy of the bare root.
fresh() { cp -a "$base" "$roots/$1"; }

# The bare root: minbase with the sources of a fresh bookworm install (from
# the Debian archives this machine's apt uses), this machine's name servers,
# and the committed HEAD of this repository in /root/paraboloid.
make_base() {
  local archives main security
  # shellcheck disable=SC2119  # the machine's own release
  archives=$(debian_archives) || return 1
  main=${archives%%$'\n'*} security=${archives#*$'\n'}
  unshare --mount --propagation private -- \
    mmdebstrap --variant=minbase --include=git,ca-certificates bookworm "$base" \
    "deb $main bookworm main" "deb $main bookworm-updates main" \
    "deb $security bookworm-security main" &&
    cp /etc/resolv.conf "$base/etc/resolv.conf" &&
    git clone --quiet --no-checkout "$repo" "$base/root/paraboloid" &&
    git -C "$base/root/paraboloid" fetch --quiet "$repo" HEAD &&
    git -C "$base/root/paraboloid" checkout --quiet --detach FETCH_HEAD
}

# The steps. Each runs in its own fresh root; a step is a function step_NAME
# listed in steps.
step_run() { fresh run && in_root run 'cd /root/paraboloid && scripts/run.sh'; }
step_test() { fresh test && in_root test 'cd /root/paraboloid && scripts/test.sh'; }
# The packages are made in one root; the Debian package is installed and run
# in another, where nothing else has been installed.
step_package() {
  fresh package && in_root package 'cd /root/paraboloid && scripts/package.sh' &&
    cp "$roots"/package/root/paraboloid/build/package/paraboloid_*.deb "$work/"
}
step_deb() {
  fresh deb && cp "$work"/paraboloid_*.deb "$roots/deb/root/" &&
    in_root deb 'cd /root && paraboloid/scripts/check-installed.sh paraboloid_*.deb'
}
steps=(run test package deb)

# timed NAME COMMAND...: runs COMMAND with its output in $work/NAME.log and
# prints its result and wall time. Returns COMMAND's exit status.
timed() {
  local name=$1 start=$SECONDS status=0
  shift
  "$@" >"$work/$name.log" 2>&1 3>&- || status=$?
  local took=$((SECONDS - start))
  printf '%-8s %s (exit %d) in %dm%02ds, log %s\n' "$name" \
    "$([ $status -eq 0 ] && echo pass || echo FAIL)" $status $((took / 60)) $((took % 60)) "$work/$name.log"
  return $status
}

echo "fresh-check: $(git -C "$repo" rev-parse --short HEAD), logs in $work"
timed root make_base || exit 1
failed=0
for s in "${steps[@]}"; do
  timed "$s" "step_$s" || failed=1
  rm -rf --one-file-system "${roots:?}/$s"
done
exit $failed
