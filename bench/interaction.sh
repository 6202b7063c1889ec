#!/usr/bin/env bash
# Times the real window under Xvfb: slider drags, photo switches, a large
# folder. Usage (after a build): bench/interaction.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
dir=${OMBREL_BENCH_DIR:-/tmp/ombrel-interaction}
if [ ! -e "$dir/many/img_4999.jpg" ]; then
  "$build/bench/make_interaction_fixtures" "$dir" > /dev/null
fi
# Every run starts from unedited photos.
find "$dir" -name '*.umbrix.json' -delete
# A settings and cache home of its own: the user's window size and thumbnails stay out of it.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache XDG_DATA_HOME=$home/data \
  xvfb-run -a -s "-screen 0 2200x1400x24" \
  "$build/src/app/ombrel" --benchmark-interaction "$dir/raw/shot_0000.dng" \
  --benchmark-jpeg "$dir/jpeg/shot_0000.jpg" --benchmark-folder "$dir/many"
