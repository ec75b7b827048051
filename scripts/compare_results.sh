#!/usr/bin/env bash
# Runs every approximation method, the batch over intervals, the three-point
# parabola and Kwee and van Woerden on a generated light curve in console
# mode, and keeps every file they write, so that the outputs of two builds
# can be compared byte for byte:
#   scripts/compare_results.sh <teril binary> <outdir>
#   diff -r <outdir of build A> <outdir of build B>     # empty: the same results
# The curve comes from scripts/make_eclipse_curve.py (fixed seed).
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 <teril binary> <outdir>" >&2
  exit 1
fi
here="$(cd "$(dirname "$0")" && pwd)"
binary="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
out="$2"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

python3 "$here/make_eclipse_curve.py" "$work/lc.dat" "$work/lc.int"

# The windows around the three minima (t1, t2), as the L key asks them.
windows=("100.31 100.49" "100.96 101.14" "101.71 101.89" "101.02 101.08" "100.33 100.47"
         "101.000 101.006")
methods=(polinomial1 symmetricalpolinomial1 NAV1 Mikulashek1 wsp1 wsrwithconst1 wsap1
         parabolicsplaine1 as1 bsk1 sech1)
{
  for w in "${windows[@]}"; do
    set -- $w
    printf 'L\n%s\n%s\n\n\n\n' "$1" "$2"
    for m in "${methods[@]}"; do
      printf ':%s\ny\n' "$m"
    done
    # The three-point parabola at the next turning points, and Kwee and van
    # Woerden on the window.
    printf '9\n~/\n9\n~/\n:Kwee1\n'
  done
  # One answer "n": the result is not filed.
  printf ':wsp1\nn\n'
  # The batch over the intervals: several methods, then one alone (the
  # single method files its curve and picture).
  printf ':Fileforintervals1\nlc.int\n:doforallnextintervals1\n1 2 3 5 6 7 8 9\n1\n'
  printf ':Gotointervalnumber1\n1\n:doforallnextintervals1\n5\n1\n'
  # The chosen methods on the window of the current interval.
  printf ':chooseapproximation1\n1 5 9\n\ny\n'
  printf ';\n'
} > "$work/script.txt"

(cd "$work" && TERIL_HOME="$work/home" QT_QPA_PLATFORM=offscreen \
   "$binary" --console lc.dat < script.txt > console.txt 2> stderr.txt) || {
  echo "teril failed with status $?; see the console output:" >&2
  tail -20 "$work/console.txt" >&2
  exit 1
}

# Everything written in the folder but the inputs and the private home.
rm -rf "$work/home"
rm -f "$work/lc.dat" "$work/lc.int" "$work/script.txt"
# The progress lines of the batch on standard error depend on timing.
grep -v -i 'progress\|[0-9] s$\|seconds' "$work/stderr.txt" > "$work/stderr.filtered" || true
rm -f "$work/stderr.txt"
cp -r "$work"/. "$out"/
echo "$(find "$out" -type f | wc -l) files in $out"
