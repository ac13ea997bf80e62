#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Boots a throw-away QEMU guest whose SCSI controller carries QEMU's own
# emulated CD-ROM drive and disk, runs a script inside it, and prints what
# the script printed. The guest runs Debian's kernel with a busybox
# initramfs; programs inside reach the emulated targets through /dev/sg*,
# that is through the real Linux SCSI midlayer and SG_IO.
#
# usage: boot-guest.sh --payload DIR --script FILE [--cd ISO|empty] [--disk IMAGE] [--recorder URL]...
#   --payload DIR   copied to /realbus in the guest (the script's folder and
#                   the start of PATH); the shared libraries that its ELF
#                   files need are copied along, at their host paths, and
#                   the ELF files lose their debug information on the way
#   --script FILE   run inside the guest with busybox sh, from /realbus
#   --cd ISO        the CD-ROM drive's medium; "empty" for a drive without
#                   one (the default)
#   --disk IMAGE    a raw image for a writable disk at target 1; none when
#                   not given
#   --recorder URL  an iSCSI logical unit (tgt-target.sh) handed to the guest
#                   unchanged as a SCSI generic unit, at targets 3, 4, ...
#                   in the order given (QEMU's iSCSI driver, qemu-block-extra)
#   The CD-ROM drive is target 0, LUN 0 of a virtio-scsi controller. It
#   answers INQUIRY as vendor QEMU, product "REALBUS CD-ROM", revision 1.23;
#   the disk as QEMU "REALBUS DISK", 1.23.
#
# Exit status: the script's; 77 when no guest can be started here (a tool
# missing, no kernel to be had), with the reason on the standard error;
# 125 when the guest started but did not report a status (boot failure,
# time-out), with the end of its console.
#
# Environment:
#   MARROWLIGHT_REALBUS_CACHE    the kernel and the base initramfs, kept between
#                                runs [${XDG_CACHE_HOME:-~/.cache}/marrowlight/realbus]
#   MARROWLIGHT_REALBUS_TIMEOUT  seconds for the whole guest run [300]
#   MARROWLIGHT_REALBUS_CONSOLE  set to 1 to copy the guest's console to the
#                                standard error
#   MARROWLIGHT_REALBUS_MEMORY   the guest's memory in MiB [512]
#
# The kernel is fetched once with "apt-get download" and unpacked into the
# cache with dpkg-deb; nothing is installed on the host. Without hardware
# virtualisation the guest runs under TCG: about 3 s per boot.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
payload="" script="" cd_image="empty" disk_image="" recorders=()
while [ $# -gt 0 ]; do
  case "$1" in
    --payload) payload="$2"; shift 2 ;;
    --script) script="$2"; shift 2 ;;
    --cd) cd_image="$2"; shift 2 ;;
    --disk) disk_image="$2"; shift 2 ;;
    --recorder) recorders+=("$2"); shift 2 ;;
    *) echo "boot-guest: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -d "$payload" ] && [ -f "$script" ] || { echo "boot-guest: --payload DIR and --script FILE are needed" >&2; exit 2; }

is_elf() { [ "$(head -c 4 "$1" 2>/dev/null | od -An -tx1 | tr -d ' ')" = 7f454c46 ]; }
cannot_start() { echo "boot-guest: no guest can start here: $*" >&2; exit 77; }
failed() { echo "boot-guest: $*" >&2; exit 125; }

for tool in qemu-system-x86_64 cpio dpkg-deb xz; do
  command -v "$tool" >/dev/null || cannot_start "$tool is missing (scripts/packages.sh installs it)"
done
busybox=/bin/busybox
[ -x "$busybox" ] && ! ldd "$busybox" >/dev/null 2>&1 || cannot_start "a static /bin/busybox is missing (busybox-static)"

cache="${MARROWLIGHT_REALBUS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/marrowlight/realbus}"
mkdir -p "$cache"

# ---------------------------------------------------------------------------
# The kernel and the modules the guest loads: fetched and unpacked once per
# kernel version, under a lock so that parallel runs build it once.

# Upper-level drivers first, then the controller, whose probe finds the units.
modules=(sg sr_mod sd_mod virtio_pci virtio_scsi)

kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*\)$/\1/p' | head -n 1
}

# Writes the modules a module needs, then the module, in load order (paths
# relative to the module tree), each once.
declare -A listed=()
list_module() {
  local tree="$1" file="$2" line dependency
  [ -n "${listed[$file]:-}" ] && return 0
  listed[$file]=1
  line="$(grep -m 1 "^$file:" "$tree/modules.dep")" || return 0
  for dependency in ${line#*:}; do list_module "$tree" "$dependency"; done
  echo "$file"
}

prepare_kernel() {
  local package="$1" dir="$2" unpacked="$2.unpacked" version tree name file offset
  rm -rf "$dir" "$unpacked"
  mkdir -p "$unpacked/deb" "$dir/modules"
  (cd "$unpacked/deb" && apt-get download -q "$package" >/dev/null 2>&1) || return 1
  dpkg-deb -x "$unpacked"/deb/*.deb "$unpacked/root"
  version="$(ls "$unpacked/root/lib/modules")"
  tree="$unpacked/root/lib/modules/$version"
  "$busybox" depmod -b "$unpacked/root" "$version"
  : > "$dir/modules/order"
  : > "$unpacked/files"
  for name in "${modules[@]}"; do
    # A module built into the kernel needs nothing loaded.
    grep -q -E "/${name//_/[-_]}\.ko" "$tree/modules.builtin" && continue
    file="$(grep -m 1 -E "(^|/)${name//_/[-_]}\.ko(\.xz|\.zst)?:" "$tree/modules.dep" | cut -d: -f1)" || return 1
    list_module "$tree" "$file" >> "$unpacked/files"
  done
  while read -r file; do
    name="$(basename "$file")"
    case "$name" in
      *.xz) xz -dc "$tree/$file" > "$dir/modules/${name%.xz}"; name="${name%.xz}" ;;
      *.zst) zstd -qdc "$tree/$file" > "$dir/modules/${name%.zst}"; name="${name%.zst}" ;;
      *) cp "$tree/$file" "$dir/modules/$name" ;;
    esac
    echo "$name" >> "$dir/modules/order"
  done < "$unpacked/files"
  cp "$unpacked"/root/boot/vmlinuz-* "$dir/vmlinuz"
  # QEMU starts an uncompressed ELF kernel through its PVH entry point,
  # which skips the real-mode set-up and the decompression in the guest:
  # seconds under TCG. The ELF image is the XZ stream inside the bzImage.
  # (xz stops reading at the end of the stream, so tail may end on a broken
  # pipe: only the result counts.)
  offset="$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "$dir/vmlinuz" | head -n 1 | cut -d: -f1)" || true
  if [ -n "$offset" ]; then
    { tail -c "+$((offset + 1))" "$dir/vmlinuz" | xz -dc --single-stream > "$dir/vmlinux"; } 2>/dev/null || true
  fi
  is_elf "$dir/vmlinux" || rm -f "$dir/vmlinux"
  echo "$version" > "$dir/version"
  rm -rf "$unpacked"
}

exec 9>"$cache/.lock"
flock 9
package="$(kernel_package)"
if [ -z "$package" ] && [ "$(id -u)" -eq 0 ]; then
  apt-get update -qq >/dev/null 2>&1 || true
  package="$(kernel_package)"
fi
[ -n "$package" ] || cannot_start "apt-cache cannot name Debian's kernel package (linux-image-amd64)"
kernel_dir="$cache/$package"
if [ ! -f "$kernel_dir/version" ]; then
  prepare_kernel "$package" "$kernel_dir" || { rm -rf "$kernel_dir" "$kernel_dir.unpacked"; cannot_start "cannot fetch and unpack $package"; }
  # Kernels that Debian has since replaced are not needed again.
  find "$cache" -mindepth 1 -maxdepth 1 -name 'linux-image-*' ! -name "$package" -exec rm -rf {} +
fi
kernel="$kernel_dir/vmlinuz"
[ -s "$kernel_dir/vmlinux" ] && kernel="$kernel_dir/vmlinux"

# ---------------------------------------------------------------------------
# The base initramfs: busybox, the modules and /init. Rebuilt when the
# kernel or the init script changes.
init_sum="$(cat "$here/guest-init.sh" "$kernel_dir/modules/order" | md5sum | cut -c1-12)"
base="$kernel_dir/base-$init_sum.cpio"
if [ ! -f "$base" ]; then
  root="$(mktemp -d "$cache/root.XXXXXX")"
  mkdir -p "$root"/{bin,sbin,usr/bin,usr/sbin,proc,sys,dev,tmp,etc,realbus,lib/modules}
  cp "$busybox" "$root/bin/busybox"
  cp "$kernel_dir"/modules/*.ko "$kernel_dir/modules/order" "$root/lib/modules/"
  cp "$here/guest-init.sh" "$root/init"
  chmod 755 "$root/init"
  (cd "$root" && find . | cpio -o -H newc --quiet) > "$base.tmp" && mv "$base.tmp" "$base"
  rm -rf "$root"
fi
flock -u 9

# ---------------------------------------------------------------------------
# This run's part of the initramfs: the payload with its libraries, and the
# script.
run="$(mktemp -d "${TMPDIR:-/tmp}/realbus-run.XXXXXX")"
trap 'rm -rf "$run"' EXIT
stage="$run/stage"
mkdir -p "$stage/realbus" "$stage/etc"
cp -a "$payload"/. "$stage/realbus/"
find "$stage/realbus" -type f | while read -r file; do
  is_elf "$file" || continue
  ldd "$file" 2>/dev/null | grep -o '/[^ ]*' | grep -v "^$stage" || true
  strip --strip-debug "$file" 2>/dev/null || true
done | sort -u | while read -r library; do
  mkdir -p "$stage$(dirname "$library")"
  cp -L "$library" "$stage$library"
done
cp "$script" "$stage/etc/realbus-script"
devices=$((1 + ${#recorders[@]}))
[ -n "$disk_image" ] && devices=$((devices + 1))
echo "$devices" > "$stage/etc/realbus-devices"
(cd "$stage" && find . | cpio -o -H newc --quiet) > "$run/payload.cpio"
cat "$base" "$run/payload.cpio" > "$run/initrd"

# ---------------------------------------------------------------------------
# The machine. KVM only where the processor offers it for real: a
# paravirtual KVM (no vmx/svm flag) hangs a stock kernel.
accel=(-accel tcg -cpu qemu64)
if [ -w /dev/kvm ] && grep -qwE 'vmx|svm' /proc/cpuinfo && [ ! -d /sys/module/kvm_pvm ]; then
  accel=(-accel kvm -cpu host)
fi
firmware=()
[ -f /usr/share/qemu/qboot.rom ] && firmware=(-bios /usr/share/qemu/qboot.rom)

scsi=(-device virtio-scsi-pci,id=scsi0)
if [ "$cd_image" = empty ]; then
  scsi+=(-drive if=none,id=cd0,media=cdrom)
else
  [ -r "$cd_image" ] || failed "cannot read $cd_image"
  scsi+=(-drive "if=none,id=cd0,media=cdrom,format=raw,readonly=on,file=$cd_image")
fi
scsi+=(-device "scsi-cd,bus=scsi0.0,drive=cd0,scsi-id=0,lun=0,vendor=QEMU,product=REALBUS CD-ROM,ver=1.23")
if [ -n "$disk_image" ]; then
  [ -w "$disk_image" ] || failed "cannot write $disk_image"
  scsi+=(-drive "if=none,id=hd0,format=raw,file=$disk_image"
         -device "scsi-hd,bus=scsi0.0,drive=hd0,scsi-id=1,lun=0,vendor=QEMU,product=REALBUS DISK,ver=1.23")
fi
target=3
for url in "${recorders[@]}"; do
  scsi+=(-drive "file=$url,if=none,id=rec$target,format=raw"
         -device "scsi-generic,drive=rec$target,bus=scsi0.0,scsi-id=$target,lun=0")
  target=$((target + 1))
done

: > "$run/console"
: > "$run/output"
set +e
timeout -k 5 "${MARROWLIGHT_REALBUS_TIMEOUT:-300}" qemu-system-x86_64 "${accel[@]}" -M pc -smp 1 -m "${MARROWLIGHT_REALBUS_MEMORY:-512}" \
  -nodefaults -no-user-config -display none -no-reboot "${firmware[@]}" \
  -kernel "$kernel" -initrd "$run/initrd" \
  -append "console=ttyS0 quiet loglevel=4 panic=-1 mitigations=off scsi_mod.scan=sync rdinit=/init" \
  -serial "file:$run/console" -serial "file:$run/output" \
  "${scsi[@]}" </dev/null >"$run/qemu.log" 2>&1
qemu_status=$?
set -e

[ "${MARROWLIGHT_REALBUS_CONSOLE:-0}" = 1 ] && tr -d '\r' < "$run/console" >&2
cat "$run/output"
status="$(tr -d '\r' < "$run/console" | sed -n 's/^REALBUS-EXIT \([0-9]*\)$/\1/p' | tail -n 1)"
if [ -z "$status" ]; then
  if grep -q "Could not access KVM\|failed to initialize" "$run/qemu.log"; then
    cannot_start "$(head -n 3 "$run/qemu.log")"
  fi
  {
    echo "boot-guest: the guest reported no status (QEMU exit status $qemu_status; 124 is the time-out). Console:"
    tr -d '\r' < "$run/console" | tail -n 40
    cat "$run/qemu.log"
  } >&2
  exit 125
fi
exit "$status"
