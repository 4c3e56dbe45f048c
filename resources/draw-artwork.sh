#!/usr/bin/env bash
# Draws the launcher's artwork: the banner and every icon, into this folder.
# The results are kept in the repository; run this again only to change the artwork.
# Needs ImageMagick 6, fonts-liberation and python3 (standard library only).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Called by full path: another "convert" may come first on the search path.
im=/usr/bin/convert
fonts=/usr/share/fonts/truetype/liberation
bold=$fonts/LiberationSans-Bold.ttf
bold_italic=$fonts/LiberationSans-BoldItalic.ttf

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Shapes are drawn eight times larger than their icon and then scaled down, which smooths
# their edges; "$work/NAME-SIZE.rgba" holds the scaled picture as raw 8-bit RGBA.
scale_down() {  # scale_down NAME SIZE
  "$im" "$work/$1.png" -resize "$2x$2" -depth 8 "rgba:$work/$1-$2.rgba"
}

# The banner for a scale of PERCENT % (the icons' scales and 250 %: the window draws the smallest
# banner at least as wide as its box, which grows with the measured text height): shapes, strokes,
# glow and lettering scaled alike, at 100 % with exactly the commands it was first drawn with.
draw_banner() {  # draw_banner PERCENT FILE
  local percent=$1 out=$here/$2
  local scale width height lines="$work/lines-$1.png" quality=92
  # The larger banners are kept a little smaller, so that the executable stays under 1 MiB.
  [ "$percent" = 100 ] || quality=85
  scale=$(awk "BEGIN { print $percent / 100 }")
  width=$(((550 * percent + 50) / 100))
  height=$(((75 * percent + 50) / 100))
  # The numbers in a drawing command times the scale (at 100 % the command as it is written).
  scaled() {
    python3 -c 'import re, sys; print(re.sub(r"-?[0-9.]+", lambda m: "%g" % (float(m.group()) * float(sys.argv[2])), sys.argv[1]))' "$1" "$scale"
  }
  "$im" -size "${width}x${height}" xc:none -fill none \
    -stroke '#1f6fd6' -strokewidth "$(scaled 2.5)" \
    -draw "$(scaled "path 'M 150,78 C 260,40 330,70 420,30 S 520,0 560,8'")" \
    -stroke '#4da3ff' -strokewidth "$(scaled 1.5)" \
    -draw "$(scaled "path 'M 170,80 C 280,50 360,60 450,38 S 530,20 560,22'")" \
    -draw "$(scaled "path 'M 230,-4 C 300,30 380,45 470,44 S 540,58 560,62'")" \
    -stroke '#0b4fa8' -strokewidth "$(scaled 1.2)" \
    -draw "$(scaled "path 'M 190,78 C 300,62 380,20 470,16 S 530,30 560,40'")" \
    -stroke '#9fd0ff' -strokewidth "$(scaled 1)" \
    -draw "$(scaled "path 'M 260,80 C 330,58 400,56 480,60 S 540,70 560,72'")" \
    -draw "$(scaled "path 'M 280,-2 C 350,22 420,26 500,8'")" \
    "$lines"
  # Lines of light: a soft blue glow under sharp strokes, fading in from the lettering.
  "$im" -size "${width}x${height}" xc:white \
    \( "$lines" -blur "0x$(scaled 4)" -channel A -evaluate multiply 1.6 +channel \) -composite \
    "$lines" -composite \
    \( -size "${height}x${width}" gradient:black-white -rotate 90 -level 45%,64% \) \
    -compose screen -composite -compose over \
    -font "$bold" -pointsize "$(scaled 36)" -fill '#7b7b7b' -gravity west \
    -annotate "+$(scaled 16)+0" 'Tolvane Chat' \
    -strip -type TrueColor -colorspace sRGB -interlace JPEG -quality "$quality" \
    "$out"
}

draw_apache() {  # a feather, red at its tip and purple at its quill
  "$im" -size 192x192 xc: -sparse-color Barycentric '20,180 #5a2a8a 170,20 #e02a2a' \
    \( -size 192x192 xc:black -fill white \
       -draw "path 'M 30,176 C 40,120 100,40 178,12 C 168,80 110,150 30,176 Z'" \) \
    -alpha off -compose CopyOpacity -composite -compose over \
    -stroke '#ffffff' -strokewidth 5 -fill none -draw "path 'M 22,186 C 70,130 120,70 172,20'" \
    -stroke '#ffffff80' -strokewidth 3 \
    -draw "line 70,128 56,104" -draw "line 100,92 88,62" -draw "line 128,62 120,36" \
    -draw "line 78,118 104,134" -draw "line 108,82 136,94" -draw "line 136,50 160,58" \
    "$work/apache.png"
  for size in 24 30 36 42 48; do scale_down apache "$size"; done
}

draw_wowza() {  # a grey disc in an orange ring, with a white W
  "$im" -size 192x192 xc:none -fill '#6b6e72' -stroke '#f28a1e' -strokewidth 26 \
    -draw 'circle 96,96 96,15' -stroke none -fill white -font "$bold" -pointsize 104 \
    -gravity center -annotate +0+4 'W' "$work/wowza.png"
  for size in 24 30 36 42 48; do scale_down wowza "$size"; done
}

draw_red5() {  # a red figure 5 in a red ring
  "$im" -size 192x192 xc:none -fill none -stroke '#d3202a' -strokewidth 18 \
    -draw 'circle 96,96 96,12' -stroke none -fill '#d3202a' -font "$bold" -pointsize 132 \
    -gravity center -annotate +0+6 '5' "$work/red5.png"
  for size in 24 30 36 42 48; do scale_down red5 "$size"; done
}

draw_php() {  # the lettering php on a violet oval
  "$im" -size 192x192 xc:none -fill '#7d6bc4' -stroke '#4b3c8c' -strokewidth 6 \
    -draw 'ellipse 96,96 92,56 0,360' -stroke none -fill white -font "$bold_italic" \
    -pointsize 86 -gravity center -annotate +0-4 'php' "$work/php.png"
  for size in 24 30 36 42 48; do scale_down php "$size"; done
}

draw_dotnet() {  # the lettering .net
  "$im" -size 192x192 xc:none -fill '#3b3f9e' -stroke '#ffffff' -strokewidth 4 \
    -font "$bold" -pointsize 92 -gravity center -annotate +0+0 '.net' "$work/dotnet.png"
  for size in 24 30 36 42 48; do scale_down dotnet "$size"; done
}

draw_java() {  # a blue coffee cup on its saucer, with red steam
  "$im" -size 512x512 xc:none \
    -fill none -stroke '#d8322c' -strokewidth 22 \
    -draw "path 'M 200,200 C 160,150 250,120 210,60'" \
    -draw "path 'M 290,200 C 250,150 340,120 300,50'" \
    -stroke '#2c66b0' -strokewidth 26 -draw 'ellipse 390,318 46,52 0,360' \
    -stroke none -fill '#2c66b0' \
    -draw "path 'M 110,236 L 402,236 C 398,350 350,420 256,420 C 162,420 114,350 110,236 Z'" \
    -fill '#5b94d6' -draw 'ellipse 256,236 146,18 0,360' \
    -fill '#1f4f8c' -draw 'ellipse 256,452 200,30 0,360' \
    -fill '#2c66b0' -draw 'ellipse 256,440 150,16 0,360' \
    "$work/java.png"
  for size in 64 80 96 112 128; do scale_down java "$size"; done
}

draw_main_icon() {  # a blue speech bubble holding a camera lens
  "$im" -size 512x512 xc: -sparse-color Barycentric '40,20 #4fa3f7 470,440 #164c9c' \
    \( -size 512x512 xc:black -fill white -draw 'roundrectangle 24,40 488,392 90,90' \
       -draw "path 'M 110,360 L 70,490 L 230,380 Z'" \) \
    -alpha off -compose CopyOpacity -composite -compose over \
    -fill '#f4f8ff' -draw 'circle 256,216 256,76' \
    -fill '#23364f' -draw 'circle 256,216 256,96' \
    -fill '#2f7fd8' -draw 'circle 256,216 256,146' \
    -fill '#0d1a2b' -draw 'circle 256,216 256,182' \
    -fill '#ffffffd0' -draw 'circle 226,186 226,168' \
    "$work/tolvane.png"
  for size in 16 20 24 28 32 40 48 56 64 128; do scale_down tolvane "$size"; done
  # The 256-colour image: at most 255 colours plus full transparency.
  "$im" "$work/tolvane.png" -resize 32x32 -channel A -threshold 50% +channel \
    +dither -colors 255 -depth 8 "rgba:$work/tolvane-32-8bit.rgba"
}

# Writes .ico files with one image per size: BMP-coded 32-bit BGRA, or 8-bit with a palette,
# each followed by its 1-bit transparency mask, as Windows expects in an icon resource. The
# pictures' larger sizes, for screens scaled to 125 to 200 %, are PNG-coded (Windows Vista and
# later read them), which keeps the executable small.
write_icons() {
  python3 - "$work" "$here" <<'PY'
import struct, sys, zlib

work, out = sys.argv[1], sys.argv[2]

def rows_bottom_up(pixels, size):
    return [pixels[y * size:(y + 1) * size] for y in reversed(range(size))]

def mask(rows, size):
    stride = (size + 31) // 32 * 4
    data = b""
    for row in rows:
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        data += bytes(bits)
    return data

def header(size, bits, image_bytes, colours):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, image_bytes, 0, 0, colours, 0)

def image(name, size, bits):
    raw = open(f"{work}/{name}.rgba", "rb").read()
    assert len(raw) == size * size * 4, name
    pixels = [tuple(raw[i:i + 4]) for i in range(0, len(raw), 4)]
    pixels = [p if p[3] else (0, 0, 0, 0) for p in pixels]
    rows = rows_bottom_up(pixels, size)
    if bits == 32:
        xor = b"".join(bytes((b, g, r, a)) for row in rows for (r, g, b, a) in row)
        return header(size, 32, len(xor), 0) + xor + mask(rows, size)
    palette = sorted({p[:3] for p in pixels if p[3]})
    assert len(palette) <= 256, f"{name}: {len(palette)} colours"
    palette += [(0, 0, 0)] * (256 - len(palette))
    index = {c: i for i, c in enumerate(palette)}
    stride = (size + 3) // 4 * 4
    xor = b"".join(bytes(index[p[:3]] for p in row).ljust(stride, b"\0") for row in rows)
    colours = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    return header(size, 8, len(xor), 256) + colours + xor + mask(rows, size)

def png(name, size):
    raw = open(f"{work}/{name}.rgba", "rb").read()
    assert len(raw) == size * size * 4, name
    rows = b"".join(b"\0" + raw[y * size * 4:(y + 1) * size * 4] for y in range(size))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))

def write_ico(path, entries):
    images = [png(name, size) if bits == "png" else image(name, size, bits)
              for name, size, bits in entries]
    offset = 6 + 16 * len(images)
    data = struct.pack("<HHH", 0, 1, len(images))
    for (name, size, bits), payload in zip(entries, images):
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32 if bits == "png" else bits,
                            len(payload), offset)
        offset += len(payload)
    open(path, "wb").write(data + b"".join(images))

def picture(name, base):
    sizes = [base * percent // 100 for percent in (100, 125, 150, 175, 200)]
    write_ico(f"{out}/{name}.ico",
              [(f"{name}-{base}", base, 32)] + [(f"{name}-{s}", s, "png") for s in sizes[1:]])

for name in ("apache", "wowza", "red5", "php", "dotnet"):
    picture(name, 24)
picture("java", 64)
# The caption and the taskbar take the main icon at the sizes of each screen's dpi (16 and 32 px
# at 100 %, 20 and 40 at 125 %, 24 and 48 at 150 %, 28 and 56 at 175 %): the sizes Windows XP
# knew are BMP-coded, the others PNG-coded.
write_ico(f"{out}/tolvane.ico",
          [(f"tolvane-{s}", s, 32 if s in (16, 32, 48) else "png")
           for s in (16, 20, 24, 28, 32, 40, 48, 56, 64, 128)] + [("tolvane-32-8bit", 32, 8)])
PY
}

draw_banner 100 banner.jpg
for percent in 125 150 175 200 250; do draw_banner "$percent" "banner-$percent.jpg"; done
draw_apache
draw_wowza
draw_red5
draw_php
draw_dotnet
draw_java
draw_main_icon
write_icons
