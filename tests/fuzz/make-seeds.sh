#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets (committed; run again after changing a seed).
# Seeds are the edge cases of the rules in small files; the fuzzers grow their own corpora
# from them in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/corpus"

seed() {  # seed TARGET NAME BYTES (printf format)
    mkdir -p "$1"
    printf -- "$3" >"$1/$2"
}

# LineBytes: byte 0 steers (0x40 to 0x7F: reads of 1 to 16 bytes). Below 0xF0 byte 1 sets a
# bound of 1 + byte 1; 0xF0 to 0xFE: the bound 4097 and filler up to within (byte 0 & 0x0F)
# of it; 0xFF: the program's bound and filler up to within byte 1 of it.
seed LineBytes plain-lines '\x00\xff1 2 3\n4 5 6\n'
seed LineBytes crlf-lines '\x00\xff1 2\r\n3 4\r\n'
seed LineBytes bell-and-backspace '\x00\xffa\x07b\x08c\x08\x08\x08d\n'
seed LineBytes empty-lines '\x00\xff\n\n\x08\n'
seed LineBytes zero-byte-and-cr '\x00\xffab\x00cd\n\r\n\rx\r\r\nx'
seed LineBytes gbk-backspace '\x00\xff\xb2\xe2\x08\n'
seed LineBytes small-reads '\x43\xffline one\r\nline\x07 two\x08o\n'
seed LineBytes at-the-bound '\xf0abc\n'
seed LineBytes over-the-bound '\xf1abcdef\x08\x08\x08\x08\x08\x08\x08\x08xyz\r\n'
seed LineBytes bound-small-reads '\xf5ab\x08\x08\x08\x08\x08\x08\x08\x08\x08\x08\x08\x08cd\n'
# A carriage return cut off at a bound of 4097 must not shorten the 4096 bytes read back.
seed LineBytes cr-at-the-read-back-bound '\xf1\r\r\n'
seed LineBytes program-bound '\xff\x02ab\x08\x08\x08cde\r\nxy'
seed LineBytes small-bound-backspaces '\x00\x03abcdef\x08\x08\x08\x08\x08\x08\x08\x08xyz\r\n'
seed LineBytes small-bound-small-reads '\x42\x04ab\x07cdefg\x08\x08\x08\x08\x08\x08hi\njklmn\x08\n'
seed LineBytes one-byte-bound '\x00\x00\n\x08a\x08\x08bc\x08d\n'

# Fields: one line each; the number test sees the line and its first field.
seed Fields empty ''
seed Fields separators ' ,\t, ,'
seed Fields mixed-runs ' a , b,\t\tc '
seed Fields control-field 'a \x01 b'
seed Fields leading-control-field ',\x01 b'
seed Fields trailing-cr '1 2\r'
seed Fields gbk '\xb2\xe2\xb5\xe3 12'
seed Fields reading '  7.25  '
seed Fields reading-comma '7.25,'
seed Fields exponent '2.5E3'
seed Fields bare-exponent '-.e+'
seed Fields tiny '1e-5000'
seed Fields boundary '1.18973149535723176e4932'
seed Fields overflow '1e4933'
# Byte 0 also keeps that many leading digits of the overflow bound, the digits follow.
seed Fields near-bound-above 'M3'
seed Fields near-bound-below 'M1 77'
seed Fields near-bound-long 'c9'
seed Fields zero-huge-exponent '0e999999'
seed Fields hex-float '0x1p3'
seed Fields inf 'inf'
seed Fields two-points '1.2.3'
seed Fields many-fields "$(printf 'x %.0s' $(seq 1 120))"

# CarriedValue: one field each.
seed CarriedValue decimal '12'
seed CarriedValue negative '-5'
seed CarriedValue largest '2147483647'
seed CarriedValue smallest '-2147483648'
seed CarriedValue past-largest '2147483648'
seed CarriedValue long-digits '00000000000000000000012'
seed CarriedValue dollar-hex '$FFFFFFFF'
seed CarriedValue zero-x-hex '0x80000000'
seed CarriedValue x-hex 'x10'
seed CarriedValue leading-zero-hex '$000000001'
seed CarriedValue nine-digits 'X100000000'
seed CarriedValue bare-prefix '0x'
seed CarriedValue signed-hex '-$10'
seed CarriedValue point '3.0'
seed CarriedValue trailing '12a'

# Writer: byte 0 is the instrument type as a digit ('0' to '5'; '6' and '7' stand for
# indexes outside them), then text-pane lines.
seed Writer type0 '0  1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20\n1 2 3\n\xb2\xe2 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20'
seed Writer type1-carried '11,2,3,12,5,6,7,8\n1, 5.0, 15.0, 2.5, 0, 10.0\t125.6 38.2 3.29 0.6 1.02 36.4 0.8 0.15 2 4 9 12.5 0.03 6 7 0\n'
seed Writer type1-examples '1100 101 102 103 104 105 106 107 108 109 110 111 112 113 114 115 116 117 118 119 120 121\na b c x e f g h\n1 2 3 -5 5 6 7 8\n100 101 102 103 104 105 106 107 108 109 110 111 112 113 114 115 116 117 118 119 120 121\n'
seed Writer type1-empty-field '1\x01 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21\n'
seed Writer type2-example '2POINT 1\n1.25\n-0.50\n3\n12.0 4\n7.75\n0.004\n\n100\n2.5E3\n8,\n9.1\n16\n12\n'
seed Writer type2-two-groups '21\n2\n3\n4\n5\n6\n7\n8\n9\n10\n+1.50\n007\n-0\n.\n1E\n  7.25  \n7.25,\nabc\n--5\n1 2\n8\n9\n10\n'
seed Writer type2-not-readings '21\n+\n2\nE5\n3\n1e4933\n4\n.e\n5\n0x10\n6\n7\n8\n9\n10\n11\n'
seed Writer type3 '31 10.0 2.5 123.4 0.56 7.89 1.23 45.6\n  12,\t3.5 ,, 0.8\t\t77.1,6,-0.02,4.40,A1  \n1 2 3 4 5 6 7\n'
seed Writer type4-empty-field '4\x01 B C D E F G H\nA B C D E F G H I\n'
seed Writer type5 '5TX LOG\n1 12.5 3.20 10:30\n2,12.4,3.18,10:31\n3 12.6 3.21\n\n4 12.5 3.19 10:32 0\n,,a,, b,c ,d,,\n'
seed Writer outside-types '61 2 3 4\n'
seed Writer minus-one '71 2 3 4 5 6 7 8\n'
