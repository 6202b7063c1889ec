#!/usr/bin/env bash
# Times ombrel-cli against the tools photographers use today on the same
# files, on this machine: median wall time and peak memory per photo.
#
#   bench/peers.sh [RUNS]        (default 3 runs per cell; needs a built tree in build/)
#
# Installs the peers with apt when they are missing: darktable (darktable-cli),
# rawtherapee (rawtherapee-cli), libvips-tools (vips), imagemagick (convert).
# Each run is capped at 300 s; a peer that is missing or fails shows that in
# the table instead of a number. Prints a Markdown table on stdout.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
testdata=${OMBREL_TESTDATA:-$root/tests/data}
runs=${1:-3}
cap=300
cli=$build/src/cli/ombrel-cli
makedng=$build/bench/make_bench_dng

for tool in "$cli" "$makedng"; do
  [ -x "$tool" ] || { echo "peers.sh: build first: $tool is missing" >&2; exit 1; }
done

# --- peers, installed on demand ----------------------------------------------
need=()
command -v darktable-cli >/dev/null || need+=(darktable)
command -v rawtherapee-cli >/dev/null || need+=(rawtherapee)
command -v vips >/dev/null || need+=(libvips-tools)
command -v convert >/dev/null || need+=(imagemagick)
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "peers.sh: installing ${need[*]}" >&2
  $sudo apt-get update -qq >&2 || true
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >&2 ||
    echo "peers.sh: some peers could not be installed; they show as missing" >&2
fi

work=$(mktemp -d /tmp/ombrel-peers-XXXXXX)
trap 'rm -rf "$work"' EXIT

# --- fixtures: 24 MP (6000 x 4000) ---------------------------------------------
source_photo=$testdata/jpeg/canon_eos_rp_MG_0633.jpg
small_dng=$testdata/raw/canon_powershot_s40_crop_from_CRW_0117.dng
mkdir -p "$work/fix"
convert "$source_photo" -resize '6000x4000!' -sampling-factor 4:2:0 -quality 90 "$work/fix/big.jpg" ||
  { echo "peers.sh: cannot make the JPEG fixture" >&2; exit 1; }
"$makedng" "$source_photo" "$work/fix/big.dng" 6000 4000 ||
  { echo "peers.sh: cannot make the DNG fixture" >&2; exit 1; }
cp "$small_dng" "$work/fix/small.dng"

# --- settings, one set per workload ------------------------------------------
# Ombrel: a sidecar per photo. The edit: exposure +0.5 EV, contrast +20 %,
# saturation +20 %, unsharp mask 50 % (radius 1.5 px at full size).
sidecar() {  # exposure contrast saturation sharpAmount
  cat <<EOF
{"flag":"none","rating":0,"version":1,"settings":{
 "exposure":$1,"contrast":$2,"highlights":0,"shadows":0,"whites":0,"blacks":0,
 "temperature":0,"tint":0,"vibrance":0,"saturation":$3,
 "curves":{"master":[{"x":0,"y":0},{"x":1,"y":1}],"red":[{"x":0,"y":0},{"x":1,"y":1}],
           "green":[{"x":0,"y":0},{"x":1,"y":1}],"blue":[{"x":0,"y":0},{"x":1,"y":1}]},
 "hsl":{"hue":[0,0,0,0,0,0,0,0],"sat":[0,0,0,0,0,0,0,0],"lum":[0,0,0,0,0,0,0,0]},
 "sharpAmount":$4,"sharpRadius":1,"lumNR":0,"colorNR":0,"vignette":0,"distortion":0,
 "crop":{"x":0,"y":0,"w":1,"h":1,"angle":0,"quarterTurns":0,"flipH":false,"flipV":false,
         "aspect":"Free","aspectSwapped":false},
 "raw":{}}}
EOF
}
# RawTherapee: partial processing profiles over its neutral base.
pp3() {  # exposure contrast saturation sharpen(true/false) resize(0/px)
  cat <<EOF
[Exposure]
Compensation=$1
Contrast=$2
Saturation=$3

[Sharpening]
Enabled=$4
Method=usm
Radius=1.5
Amount=75

[Resize]
Enabled=$( [ "$5" -gt 0 ] && echo true || echo false )
Scale=1
AppliesTo=Full image
Method=Lanczos
DataSpecified=3
Width=${5}
Height=${5}
AllowUpscaling=false
EOF
}

# Workload directories: the photo (hard link) plus each tool's settings.
setup() {  # name fixture exposure contrast saturation sharpAmount resize
  local dir=$work/$1 ext=${2##*.}
  mkdir -p "$dir"
  ln "$work/fix/$2" "$dir/photo.$ext"
  sidecar "$3" "$4" "$5" "$6" > "$dir/photo.$ext.umbrix.json"
  pp3 "$3" "$4" "$5" "$( [ "$6" != 0 ] && echo true || echo false )" "$7" > "$dir/profile.pp3"
  if [ "$("$cli" info --json "$dir/photo.$ext" | grep -c '"edited": true')" != 1 ]; then
    echo "peers.sh: the sidecar of $1 does not decode" >&2; exit 1
  fi
}
setup raw-full big.dng 0.5 20 20 50 0
setup raw-full-small small.dng 0.5 20 20 50 0
setup raw-2560 big.dng 0.5 20 20 50 2560
setup raw-2560-small small.dng 0.5 20 20 50 2560
setup jpeg-2560-sharp big.jpg 0 0 0 50 2560
setup jpeg-colour big.jpg 0.5 0 20 0 0

# --- timing -------------------------------------------------------------------
# One cell: RUNS runs of a command (output removed between runs), median
# seconds and the largest peak resident memory in MB, or why there is none.
cell() {  # command...
  local times=() peak=0 i out=$work/out
  for ((i = 0; i < runs; i++)); do
    rm -rf "$out"; mkdir -p "$out"
    if ! timeout "$cap" /usr/bin/time -f '%e %M' -o "$work/time" bash -c '"$@"' _ "$@" >"$work/log" 2>&1; then
      echo "failed (see below)|"
      { echo "== $*"; tail -5 "$work/log"; } >> "$work/failures.log"
      return
    fi
    if [ -z "$(find "$out" -type f -size +1k | head -1)" ]; then echo "no output|"; return; fi
    read -r secs kb < <(tail -1 "$work/time")
    times+=("$secs")
    ((kb > peak)) && peak=$kb
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  echo "$median|$((peak / 1024))"
}

darktable_run() {  # input [width]
  local size=()
  [ -n "${2:-}" ] && size=(--width "$2" --height "$2" --hq true)
  darktable-cli "$1" "$work/out/dt.jpg" "${size[@]}" --core --library :memory: --configdir "$work/dtconf" \
    --conf plugins/imageio/format/jpeg/quality=90
}
export work cli
photo_in() { ls "$1"/photo.dng "$1"/photo.jpg 2>/dev/null; }
rawtherapee_run() {  # dir
  rawtherapee-cli -q -Y -o "$work/out/rt.jpg" -j90 -p "$1/profile.pp3" -c "$(photo_in "$1")"
}
ombrel_run() {  # dir [long edge]
  local resize=()
  [ -n "${2:-}" ] && resize=(--long-edge "$2")
  "$cli" export --quality 0.9 "${resize[@]}" --out "$work/out" "$(photo_in "$1")"
}
export -f photo_in darktable_run rawtherapee_run ombrel_run

have() { command -v "$1" >/dev/null; }

rows=()
row() {  # workload tool result note
  rows+=("$1|$2|$3|$4")
}
measure() {  # workload tool note command...
  local workload=$1 tool=$2 note=$3; shift 3
  echo "peers.sh: $workload / $tool" >&2
  row "$workload" "$tool" "$(cell "$@")" "$note"
}

W1="1. RAW 24 MP → full JPEG q90, edit"
W1s="1. RAW testdata DNG (1600×1200) → full JPEG q90, edit"
W2="2. RAW 24 MP → 2560 px JPEG, edit"
W2s="2. RAW testdata DNG → 2560 px (no enlarging), edit"
W3="3. JPEG 24 MP → 2560 px + sharpening"
W4="4. JPEG 24 MP → full size, exposure + saturation"

d=$work
for w in "raw-full|$W1" "raw-full-small|$W1s"; do
  dir=$d/${w%%|*}; name=${w#*|}
  measure "$name" ombrel-cli "" ombrel_run "$dir"
  have rawtherapee-cli && measure "$name" rawtherapee-cli "pp3" rawtherapee_run "$dir" || row "$name" rawtherapee-cli "not installed|" ""
  have darktable-cli && measure "$name" darktable-cli "default pipeline" darktable_run "$dir/photo.dng" || row "$name" darktable-cli "not installed|" ""
done
for w in "raw-2560|$W2" "raw-2560-small|$W2s"; do
  dir=$d/${w%%|*}; name=${w#*|}
  measure "$name" ombrel-cli "" ombrel_run "$dir" 2560
  have rawtherapee-cli && measure "$name" rawtherapee-cli "pp3" rawtherapee_run "$dir" || row "$name" rawtherapee-cli "not installed|" ""
  have darktable-cli && measure "$name" darktable-cli "default pipeline" darktable_run "$dir/photo.dng" 2560 || row "$name" darktable-cli "not installed|" ""
done

dir=$d/jpeg-2560-sharp
measure "$W3" ombrel-cli "" ombrel_run "$dir" 2560
have vips && measure "$W3" vips "thumbnail + sharpen" bash -c \
  "vips thumbnail '$dir/photo.jpg' '$work/out/t.v' 2560 && vips sharpen '$work/out/t.v' '$work/out/v.jpg[Q=90]' --sigma 1.5 && rm '$work/out/t.v'" ||
  row "$W3" vips "not installed|" ""
have convert && measure "$W3" ImageMagick "-resize, -unsharp" convert "$dir/photo.jpg" -resize 2560x2560 \
  -unsharp 0x1.5+0.75+0 -quality 90 "$work/out/im.jpg" || row "$W3" ImageMagick "not installed|" ""
have rawtherapee-cli && measure "$W3" rawtherapee-cli "pp3" rawtherapee_run "$dir" || row "$W3" rawtherapee-cli "not installed|" ""
have darktable-cli && measure "$W3" darktable-cli "default pipeline" darktable_run "$dir/photo.jpg" 2560 || row "$W3" darktable-cli "not installed|" ""

dir=$d/jpeg-colour
# +0.5 EV is a gain of 2^0.5 in linear light; saturation +20 % in an 8-bit matrix.
g=1.41421356; s=1.2
m=$(awk -v g=$g -v s=$s 'BEGIN {
  r=0.2126; gg=0.7152; b=0.0722
  printf "3 3\n%f %f %f\n%f %f %f\n%f %f %f\n",
    g*(r+(1-r)*s), g*gg*(1-s), g*b*(1-s),
    g*r*(1-s), g*(gg+(1-gg)*s), g*b*(1-s),
    g*r*(1-s), g*gg*(1-s), g*(b+(1-b)*s) }')
echo "$m" > "$work/colour.mat"
measure "$W4" ombrel-cli "" ombrel_run "$dir"
have vips && measure "$W4" vips "recomb (8-bit matrix)" vips recomb "$dir/photo.jpg" "$work/out/v.jpg[Q=90]" "$work/colour.mat" ||
  row "$W4" vips "not installed|" ""
have convert && measure "$W4" ImageMagick "-colorspace RGB -evaluate, -modulate" convert "$dir/photo.jpg" -colorspace RGB \
  -evaluate multiply $g -colorspace sRGB -modulate 100,120 -quality 90 "$work/out/im.jpg" || row "$W4" ImageMagick "not installed|" ""
have rawtherapee-cli && measure "$W4" rawtherapee-cli "pp3" rawtherapee_run "$dir" || row "$W4" rawtherapee-cli "not installed|" ""
have darktable-cli && measure "$W4" darktable-cli "default pipeline" darktable_run "$dir/photo.jpg" || row "$W4" darktable-cli "not installed|" ""

# --- table --------------------------------------------------------------------
cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')
echo "Machine: $cpu, $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GB", $2/1048576}' /proc/meminfo); $runs runs per cell, median."
echo
echo "| Workload | Tool | Median s | Peak MB | ombrel-cli ÷ fastest peer |"
echo "|---|---|---:|---:|---:|"
for workload in "$W1" "$W1s" "$W2" "$W2s" "$W3" "$W4"; do
  ours=""; best=""
  for r in "${rows[@]}"; do
    IFS='|' read -r w tool secs mb note <<<"$r"
    [ "$w" = "$workload" ] || continue
    [[ "$secs" =~ ^[0-9.]+$ ]] || continue
    if [ "$tool" = ombrel-cli ]; then ours=$secs
    elif [ -z "$best" ] || awk -v a="$secs" -v b="$best" 'BEGIN {exit !(a < b)}'; then best=$secs; fi
  done
  for r in "${rows[@]}"; do
    IFS='|' read -r w tool secs mb note <<<"$r"
    [ "$w" = "$workload" ] || continue
    ratio=""
    if [ "$tool" = ombrel-cli ] && [ -n "$ours" ] && [ -n "$best" ]; then
      ratio=$(awk -v a="$ours" -v b="$best" 'BEGIN {printf "%.2f", a / b}')
    fi
    label=$tool; [ -n "$note" ] && label="$tool ($note)"
    echo "| $w | $label | $secs | ${mb:-–} | $ratio |"
  done
done
if [ -s "$work/failures.log" ]; then
  echo; echo "Failures (last lines of each failing command):"; echo '```'; cat "$work/failures.log"; echo '```'
fi
