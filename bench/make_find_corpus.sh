#!/usr/bin/env bash
# Builds the evaluation corpus of quorvane-find from what the set-up installs: real files with
# tile graphics (the console fonts of console-data, the VGA BIOS images of seabios), pictures
# (ImageMagick's built-in images) planted in many layouts into real programs, libraries,
# compressed data and text, and files without graphics.
#   bench/make_find_corpus.sh BUILD_DIR CORPUS_DIR [--small] [--seed N]
# (--seed plants the pictures at other places, to check that the figures hold on another corpus.)
set -euo pipefail
build=$1
corpus=$2
shift 2
small=
seed=()
while [ $# -gt 0 ]; do
  case $1 in
    --small) small=--small ;;
    --seed) seed=("$2"); shift ;;
    *) echo "make_find_corpus.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
rm -rf "$corpus"
mkdir -p "$corpus/pictures" "$corpus/hosts" "$corpus/real" "$corpus/clean" "$corpus/planted"

pictures=(rose logo wizard granite netscape)
[ "$small" = --small ] && pictures=(rose granite)
for picture in "${pictures[@]}"; do
  convert "$picture:" -resize '128x128>' -colorspace gray -depth 8 -strip "$corpus/pictures/$picture.pgm"
done

# Hosts for the planted pictures, and the files without graphics.
hosts=(/usr/bin/cmake /usr/lib/x86_64-linux-gnu/libc.so.6 /usr/share/common-licenses/GPL-3
       /usr/share/doc/xauth/changelog.Debian.gz /usr/lib/x86_64-linux-gnu/libpng16.so.16
       /usr/bin/xdotool /usr/share/common-licenses/Apache-2.0)
[ "$small" = --small ] && hosts=(/usr/bin/xdotool /usr/share/common-licenses/GPL-3
                                  /usr/share/doc/xauth/changelog.Debian.gz)
for host in "${hosts[@]}"; do
  [ -e "$host" ] || continue
  cp -L "$host" "$corpus/hosts/$(basename "$host")"
done
gzip -c -9 /usr/share/common-licenses/GPL-3 > "$corpus/hosts/GPL-3.gz"
if [ "$small" = --small ]; then
  head -c 1048576 "$corpus/hosts/xdotool" > "$corpus/clean/xdotool" || true
  cp "$corpus/hosts/GPL-3" "$corpus/hosts/GPL-3.gz" "$corpus/clean/"
else
  cp "$corpus/hosts/"* "$corpus/clean/"
  cp /usr/lib/x86_64-linux-gnu/libstdc++.so.6 "$corpus/clean/" 2>/dev/null || true
fi

# Real files: console fonts (unpacked) and VGA BIOS images.
fonts=(/usr/share/consolefonts/*.psf.gz)
[ "$small" = --small ] && fonts=(/usr/share/consolefonts/default8x16.psf.gz
                                  /usr/share/consolefonts/iso01.f08.psf.gz
                                  /usr/share/consolefonts/iso06.f08.psf.gz
                                  /usr/share/consolefonts/gr8x6.psf.gz
                                  /usr/share/consolefonts/brl-12.psf.gz)
for font in "${fonts[@]}"; do
  gunzip -c "$font" > "$corpus/real/$(basename "$font" .gz)"
done
bioses=(/usr/share/seabios/vgabios-*.bin)
[ "$small" = --small ] && bioses=(/usr/share/seabios/vgabios-stdvga.bin)
cp "${bioses[@]}" "$corpus/real/"

"$build/bench/find_corpus" "$corpus" "${seed[@]}"
