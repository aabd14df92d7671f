#!/bin/sh
# Without a display, or with one that nothing serves, the desktop program says
# so in one line and exits 1. The display number is one that no X server on
# this machine uses (no socket, no lock file), whichever those are.
program="$1"
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] ||
    grep -q "/tmp/.X11-unix/X$n\$" /proc/net/unix 2>/dev/null; do
    n=$((n + 1))
done
for display in '' ":$n"; do
    out=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$program" 2>&1)
    status=$?
    if [ "$status" -ne 1 ] || [ "$(printf '%s\n' "$out" | wc -l)" -ne 1 ]; then
        echo "DISPLAY=$display: exit $status: $out"
        exit 1
    fi
done
