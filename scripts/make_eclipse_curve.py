#!/usr/bin/env python3
"""Writes a deterministic light curve with three eclipse minima and its intervals file.

Usage: make_eclipse_curve.py <data file> <intervals file>

The curve: t = 100 + 0.002 k (k = 0..1199), base magnitude 11, a total
eclipse (flat bottom) at 100.40, a rounded one at 101.05, a shallow
asymmetric one at 101.80, and Gaussian noise of 0.004 mag from a fixed seed.
The intervals file holds one window around each minimum (start index, start
time, end index, end time), point i lying at t = 100 + 0.002 (i - 1).
"""
import math
import random
import sys


def magnitude(t):
    x = 11.0
    # Total eclipse: flat between 100.38 and 100.42, walls of width 0.05.
    d = abs(t - 100.40)
    if d < 0.02:
        x += 0.8
    elif d < 0.07:
        x += 0.8 * (1.0 - ((d - 0.02) / 0.05) ** 1.5)
    # Rounded eclipse.
    x += 0.6 * math.exp(-0.5 * ((t - 101.05) / 0.03) ** 2)
    # Shallow eclipse, steeper on its left.
    w = 0.025 if t < 101.80 else 0.04
    x += 0.3 * math.exp(-0.5 * ((t - 101.80) / w) ** 2)
    return x


def main():
    data, intervals = sys.argv[1], sys.argv[2]
    rng = random.Random(20240613)
    with open(data, "w") as f:
        f.write("# t V\n")
        for k in range(1200):
            t = 100.0 + 0.002 * k
            x = magnitude(t) + rng.gauss(0.0, 0.004)
            f.write("%.3f %.4f AB\n" % (t, x))
    with open(intervals, "w") as f:
        for centre in (100.40, 101.05, 101.80):
            lo, hi = centre - 0.09, centre + 0.09
            f.write("%d %.3f %d %.3f\n" % (round((lo - 100.0) / 0.002) + 1, lo,
                                           round((hi - 100.0) / 0.002) + 1, hi))


if __name__ == "__main__":
    main()
