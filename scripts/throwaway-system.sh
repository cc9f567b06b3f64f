# Mounting and unmounting what a chroot into a bootstrapped Debian system needs, for the
# checks that run in one (fresh-machine-check.sh, editors-check.sh). Source it; $root is the
# system's folder.

mount_system() {
  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  # Private binds: where /dev is a shared mount, a mount below the bind would otherwise
  # appear under the machine's own /dev as well.
  mount --bind /dev "$root/dev"
  mount --make-private "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount --make-private "$root/dev/pts"
  mount -t tmpfs tmpfs "$root/dev/shm"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
}

unmount_system() {
  local target
  # Deepest first; a busy mount is detached lazily so that nothing stays attached.
  for target in dev/shm dev/pts dev sys proc; do
    if findmnt -M "$root/$target" >/dev/null; then umount "$root/$target" || umount -l "$root/$target"; fi
  done
}
