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
mkdir -p data_file settings marks frequency_list number notation intervals table fits

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

# table: the first byte chooses the import (bit 0 relative flux, bit 1 keep
# flagged rows, bit 2 every band); the rest is the file.
printf '\x00%s' 'oid,expid,hjd,mjd,mag,magerr,catflags,filtercode
1,1,2458300.1,58299.6,15.100,0.020,0,zg
1,2,2458300.2,58299.7,15.200,0.021,32768,zg
1,3,2458300.3,58299.8,14.900,0.019,0,zr
' > table/ztf
printf '\x04%s' 'HJD,UT Date,Camera,FWHM,Limit,mag,mag_err,flux(mJy),flux_err,Filter
2457000.1,2014-12-09.6,bd,1.5,17.2,13.50,0.02,14.1,0.2,V
2457001.1,2014-12-10.6,bd,1.5,16.9,>16.9,99.99,0.05,0.1,V
' > table/asassn_old
printf '\x01%s' 'JD,Flux,Flux Error,Mag,Mag Error,Limit,FWHM,Filter,Quality
2458000.5,10.0,0.1,14.0,0.011,17.5,1.6,g,G
2458001.5,10.0,0.1,14.1,0.012,17.5,1.6,V,B
' > table/asassn_new
printf '\x05%s' 'source_id,solution_id,band,time,mag,flux,flux_error,flux_over_error,rejected_by_photometry,rejected_by_variability
1,2,G,1700.5,15.0,1000.0,10.0,100.0,false,false
1,2,BP,1700.6,15.4,500.0,5.0,100,true,false
1,2,RP,1700.7,,,,,false,False
' > table/gaia
printf '\x02\xEF\xBB\xBF%s' 'JD,Magnitude,Uncertainty,HQuncertainty,Band,Observer Code,Comment Code(s)
2459000.1,10.5,0.1,,V,ABC,
2459000.2,<11.0,,,Vis.,XYZW,"B, Z"
2459000.3,10.7,0.05,,V,LONGCODE,
' | sed 's/$/\r/' > table/aavso_bom_crlf
printf '\x00%s' '#TYPE=EXTENDED
#OBSCODE=TST01
#DELIM=,
#DATE=HJD
SS CYG,2450702.1234,11.235,0.003,V,NO,STD,105,10.593,110,11.090,1.561,1,070613,na
SS CYG,2450702.1254,<11.5,na,B,NO,STD,105,na,110,na,na,1,070613,na
' > table/aavso_extended
printf '\x00JD\tmag\terr\tobserver\n2459000.5\t12.0\t0.01\tAB\n2459000.6\t12.1\t\tAB\n' > table/tsv
printf '\x01%s' '# %ECSV 1.0
# ---
# datatype:
# - {name: btjd, datatype: float64}
btjd flux flux_err band
1500.5 100.0 1.0 "T b"
1500.6 0 1.0 r
' > table/ecsv
printf '\x00JD,mag\r2459000.5,12.0\r2459000.6,-1000\r' > table/lone_cr_huge
printf '\x00JD,mag,err\n2459000.1,12.3,0.1\n2459000.2' > table/cut_row
printf '\x00JD;mag\n2459000,1;12,3\n' > table/decimal_comma

# fits: the first byte chooses the flux column (bit 0 SAP) and the quality
# mask (bits 1-2); the rest is the file, made here by the FITS rules
# (80-character cards in 2880-byte blocks, big-endian binary table).
python3 - <<'PY'
import math, struct

def header(cards):
    text = "".join(c.ljust(80)[:80] for c in cards + ["END"])
    return text.ljust((len(text) + 2879) // 2880 * 2880).encode("ascii")

def card(key, value):
    if isinstance(value, str):
        value = ("'" + value.ljust(8) + "'").ljust(20)
    elif isinstance(value, bool):
        value = ("T" if value else "F").rjust(20)
    else:
        value = str(value).rjust(20)
    return key.ljust(8) + "= " + value

def light_curve(rows, mission="TESS", time=True, cut=0, image=False):
    primary = header([card("SIMPLE", True), card("BITPIX", 8), card("NAXIS", 0),
                      card("EXTEND", True), card("TELESCOP", mission),
                      card("RA_OBJ", 123.5), card("DEC_OBJ", -45.25)])
    if image:
        return primary
    columns = ([("TIME", "D")] if time else []) + [("PDCSAP_FLUX", "E"),
               ("PDCSAP_FLUX_ERR", "E"), ("SAP_FLUX", "E"), ("QUALITY", "J")]
    width = sum(8 if f == "D" else 4 for _, f in columns)
    cards = [card("XTENSION", "BINTABLE"), card("BITPIX", 8), card("NAXIS", 2),
             card("NAXIS1", width), card("NAXIS2", len(rows)), card("PCOUNT", 0),
             card("GCOUNT", 1), card("TFIELDS", len(columns))]
    for k, (name, form) in enumerate(columns, 1):
        cards += [card("TTYPE%d" % k, name), card("TFORM%d" % k, form)]
    cards += [card("BJDREFI", 2457000), card("BJDREFF", 0.0), card("TIMESYS", "TDB"),
              card("TIMEREF", "SOLARSYSTEM")]
    data = b""
    for t, f, e, q in rows:
        if time:
            data += struct.pack(">d", t)
        data += struct.pack(">fffi", f, e, 2 * f, q)
    data = data.ljust((len(data) + 2879) // 2880 * 2880, b"\0")
    whole = primary + header(cards) + data
    return whole[:len(whole) - cut] if cut else whole

nan = float("nan")
rows = [(1500.0, 1000.0, 10.0, 0), (nan, 50.0, 1.0, 0), (1500.2, nan, 1.0, 0),
        (1500.3, 100.0, 1.0, 32), (1500.4, -5.0, 1.0, 0), (1500.5, 10.0, 0.1, 2048)]
seeds = {
    "tess_default": (b"\x00", light_curve(rows)),
    "kepler_sap_hard": (b"\x03", light_curve(rows, mission="Kepler")),
    "k2_none": (b"\x04", light_curve(rows, mission="K2")),
    "no_time": (b"\x00", light_curve(rows, time=False)),
    "image_only": (b"\x00", light_curve(rows, image=True)),
    "cut_data": (b"\x00", light_curve(rows, cut=2880)),
    "cut_header": (b"\x00", light_curve(rows, cut=5000)),
}
for name, (choice, body) in seeds.items():
    with open("fits/" + name, "wb") as out:
        out.write(choice + body)
PY
