#!/usr/bin/env bash
# Builds the benchmark corpus from files already on this machine (nothing is
# downloaded): one folder per class, each file one archive member.
#
#   bench/make_corpus.sh OUT_DIR
#
# The corpus is cached: a finished build leaves OUT_DIR/.complete holding
# CORPUS_VERSION, and a later run with the same version does nothing.  Bump
# the version whenever what a class holds changes, so old caches are rebuilt.
# Every selection is sorted and capped by size, so two machines with the same
# packages build the same corpus.
set -euo pipefail

CORPUS_VERSION=1
out=${1:?usage: make_corpus.sh OUT_DIR}

if [ -f "$out/.complete" ] && [ "$(cat "$out/.complete")" = "$CORPUS_VERSION" ]; then
  exit 0
fi

need() { command -v "$1" >/dev/null || { echo "make_corpus: $1 is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }; }
for tool in iconv msgunfmt sox espeak-ng openssl; do need "$tool"; done
# The real ImageMagick, not whatever wrapper may sit earlier on PATH.
CONVERT=/usr/bin/convert
MONTAGE=/usr/bin/montage
[ -x "$CONVERT" ] && [ -x "$MONTAGE" ] || { echo "make_corpus: ImageMagick is missing" >&2; exit 1; }

export LC_ALL=C.UTF-8
rm -rf "$out"
mkdir -p "$out"/{pe,text,sjis,bmp,wav,synthetic}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

MiB=$((1024 * 1024))

# The readers below stop early, so they read their lists from files: a
# pipe would hand the writer a SIGPIPE that pipefail turns into a failure.
listed() { find "$@" -type f 2>/dev/null | sort >"$work/list"; echo "$work/list"; }

# Copies the files named on stdin (one a line) into DIR until about LIMIT
# bytes are taken, skipping files outside [MIN, MAX] bytes.
take_files() {
  local dir=$1 limit=$2 min=$3 max=$4 total=0 f size
  while IFS= read -r f; do
    size=$(stat -c %s "$f")
    [ "$size" -ge "$min" ] && [ "$size" -le "$max" ] || continue
    cp "$f" "$dir/"
    total=$((total + size))
    [ "$total" -lt "$limit" ] || break
  done
}

# Appends files (gzip-compressed or plain, as named on stdin) to OUT until
# it holds about LIMIT bytes.
append_text() {
  local dest=$1 limit=$2 f
  while IFS= read -r f; do
    case "$f" in
      *.gz) gzip -dc "$f" >>"$dest" 2>/dev/null || true ;;
      *) cat "$f" >>"$dest" ;;
    esac
    [ "$(stat -c %s "$dest")" -lt "$limit" ] || break
  done
}

# --- pe: the Windows executables and libraries Wine's packages install.
# Mid-sized modules, as a game's DLLs and EXE typically are; every fourth
# one in name order, so the set spreads over the whole library.
wine_dirs=()
for d in /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/x86_64-linux-gnu/wine/x86_64-windows \
         /usr/lib/wine/i386-windows /usr/lib/wine/x86_64-windows; do
  [ -d "$d" ] && wine_dirs+=("$d")
done
[ ${#wine_dirs[@]} -gt 0 ] || { echo "make_corpus: no Wine PE files found (install wine)" >&2; exit 1; }
find "${wine_dirs[@]}" -maxdepth 1 -type f \( -name '*.dll' -o -name '*.exe' \) | sort | awk 'NR % 4 == 1' >"$work/pe-list"
take_files "$out/pe" $((32 * MiB)) $((48 * 1024)) $((3 * MiB)) <"$work/pe-list"
# Member names in the archive are short; give each file a numbered one and
# keep the original name beside it only in this listing.
(cd "$out/pe" && ls | sort >"$work/pe-names" && n=0 && while IFS= read -r f; do
  n=$((n + 1)); ext=${f##*.}; mv "$f" "$(printf 'pe%03d.%s' "$n" "$ext")"
done <"$work/pe-names")

# --- text: licences, package copyright notes and change logs, man pages.
append_text "$out/text/licenses.txt" $((2 * MiB)) <"$(listed /usr/share/common-licenses)"
append_text "$out/text/copyright.txt" $((5 * MiB)) <"$(listed /usr/share/doc -name copyright)"
append_text "$out/text/changelog.txt" $((5 * MiB)) <"$(listed /usr/share/doc -name 'changelog*.gz')"
append_text "$out/text/manpages.txt" $((5 * MiB)) <"$(listed /usr/share/man/man1 /usr/share/man/man3 -name '*.gz')"

# --- sjis: Japanese text converted to code page 932, as game scripts are.
# Japanese man pages where installed, and the Japanese message catalogues.
ja_utf8="$work/ja.txt"
: >"$ja_utf8"
if [ -d /usr/share/man/ja ]; then
  append_text "$ja_utf8" $((6 * MiB)) <"$(listed /usr/share/man/ja -name '*.gz')"
fi
for mo in $(find /usr/share/locale/ja/LC_MESSAGES -name '*.mo' -type f | sort); do
  msgunfmt "$mo" 2>/dev/null >>"$work/ja-messages.po" || true
done
# Only the translations: the msgstr lines, unquoted.
sed -n 's/^msgstr "\(.*\)"$/\1/p; s/^"\(.*\)"$/\1/p' "$work/ja-messages.po" | sed 's/\\n/\n/g' |
  grep -v -E '^[A-Za-z-]+: ' >"$work/ja-messages.txt" || true
grep -E '[^ -~]' "$work/ja-messages.txt" | sed -n '1,200p' >"$work/ja-caption.txt" || true
iconv -c -f UTF-8 -t CP932 "$ja_utf8" >"$out/sjis/manpages.txt" || true
iconv -c -f UTF-8 -t CP932 "$work/ja-messages.txt" >"$out/sjis/messages.txt" || true
[ -s "$out/sjis/messages.txt" ] || { echo "make_corpus: no Japanese message catalogues found" >&2; exit 1; }
[ -s "$out/sjis/manpages.txt" ] || rm -f "$out/sjis/manpages.txt"

# --- bmp: uncompressed 24-bit BMP images, as games ship bitmaps.
# Sheets of the desktop icon themes, large icons scaled up, and Japanese
# text rendered with the installed Gothic font.
icons=$(find /usr/share/icons -name '*.png' -path '*48x48*' -type f | sort | sed -n '1,400p')
# shellcheck disable=SC2086
"$MONTAGE" $icons -background '#3a6ea5' -tile 20x -geometry 48x48+4+4 "$work/sheet48.png"
"$CONVERT" "$work/sheet48.png" -type TrueColor BMP3:"$out/bmp/icons48.bmp"
icons=$(find /usr/share/icons -name '*.png' -path '*256x256*' -type f | sort | sed -n '1,24p')
# shellcheck disable=SC2086
"$MONTAGE" $icons -background white -tile 6x -geometry 256x256+8+8 "$work/sheet256.png"
"$CONVERT" "$work/sheet256.png" -type TrueColor BMP3:"$out/bmp/icons256.bmp"
n=0
for icon in $(find /usr/share/icons -name '*.png' -path '*512x512*' -type f | sort | sed -n '1,6p'); do
  n=$((n + 1))
  "$CONVERT" "$icon" -background '#20304a' -flatten -resize 800x600\! -type TrueColor BMP3:"$out/bmp/$(printf 'cg%02d.bmp' "$n")"
done
font=$(fc-match -f '%{file}' 'IPAGothic' 2>/dev/null || true)
if [ -n "$font" ] && [ -f "$font" ]; then
  # Two pages of lines, each cut to fit the width; ImageMagick reads % and
  # backslashes in the text as escapes, so they are dropped.
  for page in 1 2; do
    sed -n "$(( (page - 1) * 40 + 1 )),$(( page * 40 ))p" "$work/ja-caption.txt" | sed 's/^\(.\{0,52\}\).*/\1/' | tr -d '%\\' >"$work/page.txt"
    "$CONVERT" -size 1280x960 xc:'#fdf6e3' -fill '#202020' -font "$font" -pointsize 22 \
      -annotate +24+36 "$(cat "$work/page.txt")" -type TrueColor BMP3:"$out/bmp/$(printf 'text%d.bmp' "$page")"
  done
fi
# A smooth gradient stands for the painted backgrounds of a game's screens.
"$CONVERT" -size 1024x768 gradient:'#102040-#d0a060' -type TrueColor BMP3:"$out/bmp/gradient.bmp"

# --- wav: uncompressed PCM, spoken and synthesised.
head -c 2500 "$out/text/licenses.txt" | espeak-ng -v en -s 170 -w "$work/speech-en.wav" 2>/dev/null
sox "$work/speech-en.wav" -b 16 -e signed-integer "$out/wav/voice_en.wav"
sed -n '1,40p' "$work/ja-caption.txt" >"$work/speech-ja.txt"
espeak-ng -v ja -s 160 -w "$work/speech-ja.wav" -f "$work/speech-ja.txt" 2>/dev/null ||
  head -c 2500 "$out/text/copyright.txt" | espeak-ng -v de -w "$work/speech-ja.wav" 2>/dev/null
sox "$work/speech-ja.wav" -b 16 -e signed-integer "$out/wav/voice2.wav"
# Music-like stereo: a chord that changes, with a soft tremolo; and a
# sound effect (swept tone over noise).
sox -n -r 44100 -b 16 -c 2 "$out/wav/music.wav" synth 30 pluck C3 pluck E3 pluck G3 pluck C4 \
  tremolo 5 40 fade 0.5 30 1 remix 1,3 2,4 2>/dev/null
sox -n -r 44100 -b 16 -c 2 "$out/wav/ambient.wav" synth 20 brownnoise synth 20 sine mix 200-800 \
  tremolo 0.3 60 gain -6 2>/dev/null
sox -n -r 22050 -b 16 -c 1 "$out/wav/effect.wav" synth 8 square 880-110 gain -10 2>/dev/null

# --- synthetic: the extremes.
head -c $((2 * MiB)) /dev/zero >"$out/synthetic/zeros.bin"
# Deterministic random bytes: AES in counter mode over zeros, fixed key.
head -c $((2 * MiB)) /dev/zero |
  openssl enc -aes-128-ctr -nosalt -K 000102030405060708090a0b0c0d0e0f -iv 0 2>/dev/null |
  head -c $((2 * MiB)) >"$out/synthetic/random.bin"
# Short repeats: periods 1 to 7 and a record table with one changing field.
awk -v n=$((1 * MiB)) 'BEGIN { s = "aaaaababababcabcabcabcdabcdabcdefgabcdefg"; out = s; while (length(out) < n) out = out out; printf "%s", substr(out, 1, n) }' \
  >"$out/synthetic/repeats.bin"
awk 'BEGIN { for (i = 0; i < 56000; i++) printf "ITEM%06d,0,100,SWORD   ,%04d\r\n", i, i % 97 }' \
  >"$out/synthetic/records.bin"

echo "$CORPUS_VERSION" >"$out/.complete"
du -sb "$out"/* | awk '{ printf "make_corpus: %-40s %10d bytes\n", $2, $1 }' >&2
