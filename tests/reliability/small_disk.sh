#!/bin/sh
# A small filesystem for the full-disk test: a tmpfs of the given size mounted on a folder of the
# build tree, and taken down again. Where mounting is not allowed nothing is mounted and the test
# that needs it skips itself (the fault seam still covers a full disk).
#   small_disk.sh mount <folder> <size>    small_disk.sh umount <folder>
case "$1" in
  mount)
    mkdir -p "$2"
    umount "$2" 2>/dev/null
    mount -t tmpfs -o size="$3" kestrel-small-disk "$2" 2>/dev/null || echo "small disk: cannot mount here"
    ;;
  umount)
    umount "$2" 2>/dev/null
    rmdir "$2" 2>/dev/null
    ;;
esac
exit 0
