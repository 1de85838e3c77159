#!/bin/sh
# Runs a Windows test program under Wine with what it compares against from
# the host: the space available in the prefix's drive_c (C:), and an ALSA
# null device (HOME with an .asoundrc; PulseAudio's driver off) so that a
# sound plays without a sound card, and the host's name without its domain.
#   run_with_host.sh PROGRAM.exe [ARGS...]
set -eu
prefix=${WINEPREFIX:-$HOME/.wine}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
printf 'pcm.!default { type null }\nctl.!default { type null }\n' >"$home/.asoundrc"
TARUK_HOST_DRIVE_C_AVAILABLE=$(df -B1 --output=avail "$prefix/drive_c" | tail -n1 | tr -d ' ')
TARUK_HOST_NAME=$(hostname | cut -d. -f1)
export TARUK_HOST_DRIVE_C_AVAILABLE TARUK_HOST_NAME TARUK_NULL_SOUND_DEVICE=1 WINEPREFIX="$prefix"
HOME=$home WINEDLLOVERRIDES="winemenubuilder.exe=d;winepulse.drv=d" wine "$@"
