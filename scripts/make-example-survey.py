#!/usr/bin/env python3
"""Writes the survey data of the river bend example: a channel-shaped bed,
deepest along the middle of the bend and falling gently downstream, sampled
as scattered soundings (examples/river_bend_survey.xyz) and as an ESRI ASCII
grid of bottom elevations (examples/river_bend_bed.asc)."""
import math
import os

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples")


def bed(x, y):
    """Bottom elevation in metres: 1 m below the datum at the banks, 4 m in
    the middle of the channel, half a metre lower at the downstream end."""
    r = math.hypot(x, y)
    theta = math.atan2(y, x)
    across = max(-1.0, min(1.0, (r - 120.0) / 20.0))
    along = max(0.0, min(1.0, theta / (math.pi / 2)))
    return -1.0 - 3.0 * (1.0 - across * across) - 0.5 * along


def scattered():
    seed = 12345
    lines = ["# River bend example: soundings (depth below the datum, positive down)",
             "# made by scripts/make-example-survey.py; read with --soundings",
             "easting,northing,depth"]
    n = 0
    while n < 600:
        seed = (seed * 1103515245 + 12345) % 2**31
        a = seed / 2**31
        seed = (seed * 1103515245 + 12345) % 2**31
        b = seed / 2**31
        r = 96.0 + 48.0 * a
        theta = math.radians(-4.0 + 98.0 * b)
        x, y = r * math.cos(theta), r * math.sin(theta)
        lines.append("%.2f,%.2f,%.3f" % (x, y, -bed(x, y)))
        n += 1
    return "\n".join(lines) + "\n"


def raster():
    size, cell, x0, y0 = 40, 4.0, -6.0, -6.0
    lines = ["ncols %d" % size, "nrows %d" % size, "xllcorner %g" % x0, "yllcorner %g" % y0,
             "cellsize %g" % cell, "NODATA_value -9999"]
    for row in range(size):
        y = y0 + (size - row - 0.5) * cell
        values = []
        for col in range(size):
            x = x0 + (col + 0.5) * cell
            r = math.hypot(x, y)
            # Only the channel and its banks were surveyed.
            values.append("-9999" if r < 92 or r > 148 else "%.3f" % bed(x, y))
        lines.append(" ".join(values))
    return "\n".join(lines) + "\n"


with open(os.path.join(HERE, "river_bend_survey.xyz"), "w") as out:
    out.write(scattered())
with open(os.path.join(HERE, "river_bend_bed.asc"), "w") as out:
    out.write(raster())
