#!/usr/bin/env bash
# Builds the codec fuzzer with clang, makes one small seed picture per
# extension (ImageMagick, JxrEncApp, the committed WMF) and runs it for a
# bounded time.
#   fuzz/codec/run.sh [SECONDS] [BUILD_DIR]
# A crash leaves crash-* files in BUILD_DIR and a non-zero exit status.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
seconds="${1:-60}"
build="${2:-$here/../../build-fuzz-codec}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target codec_fuzzer
seeds="$build/seeds"
mkdir -p "$seeds" "$build/corpus"
if [ ! -e "$seeds/.made" ]; then
  tmp="$(mktemp -d)"
  convert-im6.q16 -size 24x16 gradient:red-blue "$tmp/seed.png"
  convert-im6.q16 "$tmp/seed.png" -type truecolor "BMP3:$tmp/seed24.bmp"
  # First byte: index of the extension in the picture list (JPG JPE JPEG JP2 J2K
  # TIFF TIF BMP ICO TGA PSD PNG GIF WMF HDP JXR WDP ICNS).
  i=0
  for ext in jpg jpe jpeg jp2 j2k tiff tif bmp ico tga psd png gif wmf hdp jxr wdp icns; do
    case "$ext" in
      wmf) cp "$here/../../tests/data/codec/halves.wmf" "$tmp/seed.$ext" ;;
      hdp|jxr|wdp) JxrEncApp -i "$tmp/seed24.bmp" -o "$tmp/made.jxr" >/dev/null; cp "$tmp/made.jxr" "$tmp/seed.$ext" ;;
      icns) /usr/bin/python3 -c "import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2])" \
              "$tmp/seed.png" "$tmp/seed.$ext" ;;
      *) convert-im6.q16 "$tmp/seed.png" "$tmp/seed.$ext" ;;
    esac
    { printf "\\$(printf '%03o' "$i")"; cat "$tmp/seed.$ext"; } > "$seeds/$ext"
    i=$((i + 1))
  done
  rm -rf "$tmp"
  touch "$seeds/.made"
fi
cd "$build"
# Leak detection is off: ImageMagick's WMF coder (libwmf) leaks ~30 KB on its
# error paths, outside our code.
exec ./codec_fuzzer -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=4096 -timeout=30 -detect_leaks=0 \
  -artifact_prefix="$build/" "$build/corpus" "$seeds"
