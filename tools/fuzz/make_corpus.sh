#!/bin/sh
# Writes the fuzzers' seed corpus into DIR (default: ./corpus): short tracks
# in every container and codec the decoder accepts, odd channel counts and
# rates, a stream whose channel count changes midway, cut-off files;
# argument vectors for invited-render; and show files, good and bad.
# Everything is made here, the tracks by ffmpeg.
set -eu
dir=${1:-corpus}
audio="$dir/audio_decoder"
argv="$dir/command_line"
show="$dir/show_file"
mkdir -p "$audio" "$argv" "$show"
command -v ffmpeg >/dev/null || { echo "make_corpus.sh: ffmpeg is not installed" >&2; exit 1; }

tone() {  # tone NAME SECONDS RATE CHANNELS [ffmpeg output options…]
  name=$1 seconds=$2 rate=$3 channels=$4
  shift 4
  # Bit-exact: the same bytes on every run (Ogg's stream serials are random
  # otherwise), so that a seeded fuzz run always starts from the same inputs.
  ffmpeg -nostdin -loglevel error -y \
    -f lavfi -i "sine=frequency=440:sample_rate=$rate:duration=$seconds" \
    -af "aformat=channel_layouts=$channels" -fflags +bitexact -flags:a +bitexact \
    "$@" "$audio/$name"
}

tone aac_stereo.m4a 0.3 48000 stereo -c:a aac -b:a 64k
tone aac_mono_8k.m4a 0.3 8000 mono -c:a aac -b:a 16k
tone aac_51.m4a 0.2 48000 5.1 -c:a aac -b:a 128k
tone adts_stereo.aac 0.3 44100 stereo -c:a aac -f adts
tone adts_mono.aac 0.3 22050 mono -c:a aac -f adts
tone mp3_stereo.mp3 0.3 44100 stereo -c:a libmp3lame -b:a 64k
tone mp3_mono_8k.mp3 0.3 8000 mono -c:a libmp3lame -b:a 16k
tone wav_s16.wav 0.1 48000 stereo -c:a pcm_s16le
tone wav_u8_mono.wav 0.1 8000 mono -c:a pcm_u8
tone wav_f32_51.wav 0.01 96000 5.1 -c:a pcm_f32le
tone wav_s24_192k.wav 0.02 192000 stereo -c:a pcm_s24le
tone flac_stereo.flac 0.2 44100 stereo -c:a flac
tone flac_mono_192k.flac 0.05 192000 mono -c:a flac
tone opus_stereo.opus 0.3 48000 stereo -c:a libopus -b:a 32k
tone opus_51.opus 0.2 48000 5.1 -c:a libopus -b:a 64k
tone vorbis_stereo.ogg 0.3 44100 stereo -c:a libvorbis
tone vorbis_mono_11k.ogg 0.3 11025 mono -c:a libvorbis

# The channel count, then the rate, change in the middle of one stream.
cat "$audio/adts_stereo.aac" "$audio/adts_mono.aac" >"$audio/adts_stereo_then_mono.aac"
cat "$audio/mp3_stereo.mp3" "$audio/mp3_mono_8k.mp3" >"$audio/mp3_stereo_then_mono_8k.mp3"

# Cut-off files: the header survives, the data does not.
for file in aac_stereo.m4a mp3_stereo.mp3 flac_stereo.flac opus_stereo.opus wav_s16.wav; do
  size=$(wc -c <"$audio/$file")
  head -c $((size / 2)) "$audio/$file" >"$audio/cut_$file"
done

# Inputs the fuzzer once found faulty stay in every corpus.
cp "$(dirname "$0")"/findings/* "$audio/"

# Arguments, one per NUL-terminated field.
seed() {  # seed NAME ARG…
  name=$1
  shift
  : >"$argv/$name"
  for argument in "$@"; do
    printf '%s\0' "$argument" >>"$argv/$name"
  done
}
seed frame frame --at 1.5 --size 640x360 --seed 7 out.png
seed video video out.mp4 --size 320x180 --fps 30 --from -1 --to 2 --crf 23 --seed 3
seed sheet sheet out.png --every 0.5 --columns 10 --width 1920
seed help --help
seed frame_help frame --help
seed bad_size frame --at 1 --size 99999x1 out.png
seed bad_time video out.mp4 --from 1e308 --to nan
seed empty_at frame --at "" out.png
seed negative_seed sheet out.png --seed -1
seed tiny_every sheet out.png --every 1e-9

# Show files: the example, and one of each kind of mistake.
cp "$(dirname "$0")/../../examples/stella.toml" "$show/example.toml"
printf 'party = "x"\npaty = 1\n' >"$show/unknown_key"
printf 'party = 42\ncredits = ["a", true]\n' >"$show/wrong_types"
printf 'affirmations = []\n' >"$show/empty_list"
printf 'palette = ["#FB8B24", "#D90368", "purple", "#291720"]\n' >"$show/bad_palette"
printf 'town = "Trollh\344ttan"\n' >"$show/not_utf8"
printf 'town = "\346\235\261\344\272\254"\nclosing_line = "a\\nb"\n' >"$show/no_glyph"
printf 'party = "%s"\n' "$(printf '%0150d' 0 | tr 0 W)" >"$show/too_wide"
printf '[[[[[[[[[[[[x]]]]]]]]]]]]\na = [[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]\n' >"$show/nested"
# Letters where toml++ looks for whitespace: once undefined behaviour in its table.
printf 'party = 1\303\251\nb = """x\\\n  \316\270"""\n' >"$show/letter_after_value"
# The parser's message quoting a line break: once a problem told on two lines.
printf 'credits = ["a", tr\nue]\n"a\\nb" = 1\n' >"$show/line_break_quoted"
