#!/bin/sh
# Makes the example show's music: 90 seconds of a chord with a beat, as MP3,
# beside the show file. Needs ffmpeg.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
ffmpeg -v error -y \
  -f lavfi -i "sine=frequency=220:duration=90" \
  -f lavfi -i "sine=frequency=277.18:duration=90" \
  -f lavfi -i "sine=frequency=329.63:duration=90:beep_factor=4" \
  -filter_complex "amix=inputs=3,volume=0.8" -c:a libmp3lame -b:a 160k "$here/stella.mp3"
echo "$here/stella.mp3"
