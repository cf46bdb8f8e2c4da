#!/usr/bin/env bash
# What a new user sees: makes a minimal Debian 12 root with debootstrap from
# Debian's own packages, copies this checkout's tracked files into it, and
# runs there as root, one after the other, the README's two commands
# `bash scripts/test.sh` and `bash scripts/run.sh`, printing each one's exit
# code and time. Everything it made is unmounted and removed at the end, also
# after a failure or Ctrl+C. Not part of the suite; run it as root whenever an
# install step changes.
#
# Usage: bash scripts/fresh-machine.sh [--without-wine32] [--keep] [-- CTEST ARGS...]
#   --without-wine32  apt may not install the 32-bit Wine (as when its index
#                     cannot be fetched): the x86 program must be reported
#                     skipped, not failed
#   --keep            leave the root in place afterwards (its path is printed)
#   CTEST ARGS        passed to `bash scripts/test.sh`, e.g. -- -R unit
set -euo pipefail
checkout=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

without_wine32=0
keep=0
test_args=()
while (($#)); do
  case $1 in
    --without-wine32) without_wine32=1 ;;
    --keep) keep=1 ;;
    --) shift; test_args=("$@"); break ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
  shift
done

if ((EUID != 0)); then
  echo "run as root: debootstrap, chroot and mount need it" >&2
  exit 2
fi
if ! command -v debootstrap >/dev/null; then
  echo "installing debootstrap"
  # an index that cannot be fetched does not keep debootstrap from installing
  apt-get update -qq >/dev/null 2>&1 || true
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
fi

target=$(mktemp -d /var/tmp/zorvex-fresh.XXXXXX)
# The root's "/" as on any machine: the print server's filters run as lp.
chmod 755 "$target"
mounts=()

# Processes still running inside the root (a display, a wineserver, cupsd
# after Ctrl+C) would keep its mounts busy.
stop_processes_inside() {
  local pid signal
  for signal in TERM KILL; do
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
      [[ "$(readlink "/proc/$pid/root" 2>/dev/null)" == "$target" ]] && kill -s "$signal" "$pid" 2>/dev/null
    done
    [[ $signal == TERM ]] && sleep 1
  done
  return 0
}

clean_up() {
  local status=$?
  trap - EXIT INT TERM
  stop_processes_inside
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" 2>/dev/null || true
  done
  if ((keep)); then
    echo "the root is kept in $target (mounts removed)"
  elif findmnt -R "$target" >/dev/null 2>&1; then
    echo "something is still mounted under $target: left in place" >&2
  else
    rm -rf --one-file-system "$target"
  fi
  exit "$status"
}
trap clean_up EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mount_inside() { # TYPE-OR-BIND SOURCE PATH
  mkdir -p "$target$3"
  if [[ $1 == bind ]]; then
    mount --bind "$2" "$target$3"
    # Mounts made under the root must not reach the machine's own /dev.
    mount --make-rslave "$target$3"
  else
    mount -t "$1" "$2" "$target$3"
  fi
  mounts+=("$target$3")
}

seconds() { echo $((SECONDS - $1)); }

started=$SECONDS
echo "making a minimal Debian 12 root in $target"
debootstrap --variant=minbase bookworm "$target" http://deb.debian.org/debian >"$target.debootstrap.log" 2>&1 || {
  tail -n 20 "$target.debootstrap.log" >&2
  rm -f "$target.debootstrap.log"
  exit 1
}
rm -f "$target.debootstrap.log"
echo "debootstrap: $(seconds "$started") s"
cp /etc/resolv.conf "$target/etc/resolv.conf"
if ((without_wine32)); then
  printf 'Package: wine32:i386\nPin: release *\nPin-Priority: -1\n' \
    >"$target/etc/apt/preferences.d/no-wine32"
fi

mkdir -p "$target/root/zorvex"
git -C "$checkout" ls-files -z | (cd "$checkout" && tar --null -T - --ignore-failed-read -cf - 2>/dev/null) |
  tar -C "$target/root/zorvex" -xf -

mount_inside proc proc /proc
mount_inside sysfs sysfs /sys
mount_inside bind /dev /dev
mount_inside bind /dev/pts /dev/pts
mount_inside tmpfs tmpfs /dev/shm

inside() {
  chroot "$target" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root TERM="${TERM:-dumb}" bash -c 'cd /root/zorvex && "$@"' bash "$@"
}

results=()
for command in test run; do
  started=$SECONDS
  status=0
  if [[ $command == test ]]; then
    inside bash scripts/test.sh "${test_args[@]}" || status=$?
  else
    inside bash scripts/run.sh || status=$?
  fi
  results+=("bash scripts/$command.sh: exit code $status after $(seconds "$started") s")
  echo "${results[-1]}"
done

echo "in a minimal Debian 12 root:"
printf '  %s\n' "${results[@]}"
for result in "${results[@]}"; do
  [[ $result == *"exit code 0 "* ]] || exit 1
done
