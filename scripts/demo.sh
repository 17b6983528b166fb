#!/usr/bin/env bash
# Installs what is needed, builds, lays out a demo program folder and starts
# Nearbell on it. The folder is ./demo-folder (or $NEARBELL_DEMO_DIR).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${NEARBELL_BUILD_DIR:-$here/build}
folder=${NEARBELL_DEMO_DIR:-$here/demo-folder}

"$here/scripts/install-deps.sh"
# The demo is a portable folder: everything beside the executable.
NEARBELL_BUILD_DIR=$build "$here/scripts/build.sh" -DNEARBELL_PORTABLE=ON
cmake --install "$build" --prefix "$folder" >/dev/null
# The demo's host profile, overlay files and replay file; the user's own
# settings and list file in the folder are left alone.
cp -R "$here/demo/." "$folder/"
sed -i 's/\r*$/\r/' "$folder/uiview32.ini"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Nearbell needs a desktop session, and none was found (DISPLAY is not set); the demo folder is ready in $folder." >&2
    exit 1
fi
echo "Starting $folder/nearbell"
exec "$folder/nearbell"
