#!/usr/bin/env bash
# Installs what Nearbell needs to build, test and run on Debian 12 (as root).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
    build-essential cmake ninja-build ccache \
    qt6-base-dev qt6-multimedia-dev libqt6multimedia6 \
    qt6-qpa-plugins libgl-dev \
    qt6-serialport-dev libqt6sql6-sqlite qt6-speech-dev qt6-declarative-dev qt6-speech-flite-plugin qt6-speech-speechd-plugin \
    fonts-dejavu-core fonts-dejavu-extra \
    xvfb xauth openbox weston qt6-wayland \
    direwolf socat dbus gpsd gpsd-clients python3-gps libfaketime \
    desktop-file-utils appstream lintian dpkg-dev file man-db \
    python3 >/dev/null
