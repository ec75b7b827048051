#!/usr/bin/env bash
# Writes the seed corpus of the fuzz targets into tests/fuzz/corpus/: small
# inputs of each reader, the bad files users have among them. The first
# three bytes of a data_file input are its read settings (see
# fuzz_data_file.cpp): \x05 = columnX 1, \x04 = columnX 0, \x08 = 4,
# \x02 = -2; the second byte's remainder by 5 is columnS; the third byte's
# remainder by 4 is the header lines, its bit 4 the 64-byte line limit.
# Inputs that once found a fault are kept beside the seeds (named after the
# behaviour) and are not written by this script.
set -euo pipefail
cd "$(dirname "$0")/corpus"
mkdir -p data_file settings marks frequency_list number notation intervals

printf '\x05\x00\x00245.5678  12.345 ABC\n245.6000  12.400 XYZ\n' > data_file/plain_lf
printf '\x05\x00\x00# HJD V\r\n2459000.1234 12.345 AB\r\n2459000.2234 12.355\tCD\r\n' > data_file/crlf_header
printf '\x05\x01\x00\xEF\xBB\xBF1.0 10.0 0.1 A\r2.0 11.0 0.2 B\r' > data_file/bom_lone_cr
printf '\x05\x00\x002459000,1234 12,345\n2459000,2234 12,355\n' > data_file/decimal_comma
printf '\x05\x00\x002459000.1,12.3\n2459000.2,12.4\n' > data_file/comma_separated
printf '\x04\x00\x0010.25\n11.5   \n12.75\n' > data_file/x_only
printf '\x08\x02\x01title\n100.1 1 2 9.75 OBS\n100.2 3 4 9.5 OBT extra\n' > data_file/column_three
printf '\x02\x00\x007 8 0.5\n9 10 0.25\n' > data_file/negative_column
printf '\x05\x00\x04short\n%s\n' "$(printf 'x%.0s' {1..100})" > data_file/long_line_small_limit
printf '\x05\x00\x00\xFF\xFE1\x00 \x002\x00\n\x00' > data_file/utf16
printf '\x05\x00\x001 2\n3 4\n2 5\n6 x7\n' > data_file/unsorted_bad_line

printf '\xFF 5 100.5 0.5' > settings/four_fields
printf '\xFF 41 2459876.123456789 0.812345678901 -1.25e-10 77\n' > settings/six_fields
printf '\xFF 1 2 0 0.001 900\n' > settings/zero_period
printf 'X 5 100.5 0.5' > settings/wrong_marker
printf '\xFF 1e300 1 1e-320 0 8' > settings/huge_counter_tiny_period

printf '12 2459000.12345 30 2459000.54321 \n31 2459000.6 40 2459000.9 \n' > marks/short_marks
printf '    5 100.5\n    9 101.5\r\n' > marks/engine_marks_crlf
printf '3 10.0 1 5.0\n1.5 2 3 4\n' > marks/reversed_and_bad

printf '1.25 first\n2.5\nnot a number\n' > frequency_list/three_lines
printf '0\r0.5\r1e-320\r' > frequency_list/lone_cr_tiny

printf ' 12.345 ' > number/fixed
printf -- '-1.5E-7' > number/exponent
printf '2459000,5' > number/comma
printf '+42' > number/integer
printf '1e999' > number/overflow
printf '9223372036854775807' > number/max_integer

printf '^E' > notation/control
printf '#131' > notation/code
printf ':wsp1\n3' > notation/named_then_key
printf ':NoSuchCommand  \n~6' > notation/unknown_then_extended
printf ':Sort1\n\n#999\n^a' > notation/mixed

# intervals: two bytes of point count (little-endian), then the file.
printf '\x64\x00%s' '1 2450000.10000 20 2450000.90000
21 2450001.10000 40 2450001.90000
' > intervals/two_lines
printf '\x64\x00%s' '0 100.0 9 109.0
10 110.0 19 119.0
' > intervals/zero_based
printf '\x0a\x00%s' '1 1.0 1 1.0
3 x 5 6
2 2.0 500 9.0
4 4.0 8 8.0 rest of the line
' > intervals/dropped_bad_outside
printf '\x05\x00%s' '1	1.0	3	3.0
2 2.0 4 4.0' > intervals/tabs_no_final_newline
printf '\x00\x01%s' '1 1e300 2 -1e300
1 1 2
' > intervals/huge_times_short_line
