#!/usr/bin/env bash
# Runs the README's two commands (demo first, as a newcomer would, so the
# demo's own install list is proven alone) on a brand-new minimal Debian 12 root made
# with debootstrap, with the committed tree copied in: a package that setup.sh
# forgets to install fails here as it would for a new user, instead of being
# hidden by what a development machine already has. Run as root.
#   FRESH_ROOT=DIR   where the root is made (default /var/tmp/vellum-fresh-root);
#                    it is removed first and left behind for inspection
set -euo pipefail
cd "$(dirname "$0")/.."
root=${FRESH_ROOT:-/var/tmp/vellum-fresh-root}

bash scripts/install-missing.sh fresh-root debootstrap git

# The root uses the same Debian archive as this machine.
mirror=$(grep -hoE '^URIs: *[^ ]+/debian$|^deb +[^ ]+/debian +bookworm' \
           /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null \
         | head -n1 | awk '{print $2}' || true)
if [[ -z $mirror ]]; then
  echo "fresh-root: no Debian archive found in this machine's apt sources" >&2
  exit 1
fi

mounts=(proc sys dev dev/pts)
unmount_all() {
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount -l "$root/${mounts[i]}" 2>/dev/null || true
  done
}
trap unmount_all EXIT
unmount_all
rm -rf "$root"

echo "fresh-root: making a minimal Debian 12 root in $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" \
  | grep -E '^I: (Retrieving|Validating|Installing|Configuring|Base system)' \
  | awk '!seen[$2]++' || true
[[ -x $root/usr/bin/apt-get ]] || { echo "fresh-root: debootstrap failed" >&2; exit 1; }

# Package sources and settings as on this machine (updates, security), so the
# root gets the versions a Debian 12 user gets today.
rm -f "$root/etc/apt/sources.list"
cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/" 2>/dev/null || true
[[ -f /etc/apt/sources.list ]] && cp /etc/apt/sources.list "$root/etc/apt/"
cp -n /etc/apt/apt.conf.d/* "$root/etc/apt/apt.conf.d/" 2>/dev/null || true
cp /etc/resolv.conf "$root/etc/resolv.conf"

mkdir -p "$root/src"
git archive --format=tar HEAD | tar -x -C "$root/src"

for m in "${mounts[@]}"; do mount --bind "/$m" "$root/$m"; done

echo "fresh-root: running scripts/demo.sh, then scripts/test.sh, inside the root"
chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 CI=true \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" \
  bash -c 'cd /src && bash scripts/demo.sh && bash scripts/test.sh'
