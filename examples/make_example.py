#!/usr/bin/env python3
"""Makes examples/eclipsing.dat: a small realistic light curve of an
eclipsing binary, for trying the program.

Two primary minima (depth 0.8 mag, duration about 0.2 d) and one secondary
minimum, observed on three nights by three observers with Gaussian noise of
0.01-0.02 mag. Time is a heliocentric Julian date minus 2450000, magnitude
in V. The random generator has a fixed seed, so the file is always the same.

Usage: python3 examples/make_example.py > examples/eclipsing.dat
"""
import math
import random

T0 = 9500.3712      # moment of a primary minimum
P = 0.8123456       # period in days
rng = random.Random(20261208)


def magnitude(t):
    phase = ((t - T0) / P + 0.5) % 1.0 - 0.5
    m = 11.20
    # primary eclipse: a smooth dip of 0.8 mag and half-width 0.06 in phase
    m += 0.80 * math.exp(-0.5 * (phase / 0.045) ** 2)
    # secondary eclipse at phase 0.5
    sec = phase - 0.5 if phase > 0 else phase + 0.5
    m += 0.25 * math.exp(-0.5 * (sec / 0.045) ** 2)
    # ellipsoidal variation
    m += 0.03 * math.cos(4 * math.pi * phase)
    return m


nights = [(9500.25, 9500.52, "ABC", 0.012),
          (9501.70, 9502.05, "KVD", 0.018),
          (9504.40, 9504.72, "ZR", 0.010)]
print("# HJD-2450000   V     observer  (made by examples/make_example.py)")
for start, end, observer, noise in nights:
    t = start
    while t < end:
        print(f"{t:10.5f} {magnitude(t) + rng.gauss(0, noise):7.3f} {observer}")
        t += 0.0021 + rng.random() * 0.0008
