#!/usr/bin/python3
"""Writes turn_shapes.csv (turn splines and turn curves) and speed_profiles.csv beside this
script, computed with numpy/scipy (CubicHermiteSpline, quadrature for the arc length, root
finding for the point at a fraction of the length, dense sampling for speed extremes),
independently of the C++ code. The motion tests compare the program's shapes with these
values. Run by hand when the cases change:

    /usr/bin/python3 tests/data/motion/make_shape_table.py

Needs python3-numpy and python3-scipy; the tests only read the CSV.
"""
import math
import os
import sys

import numpy as np
from scipy.integrate import quad
from scipy.interpolate import CubicHermiteSpline
from scipy.optimize import brentq

FRACTIONS = (0.0, 0.2, 0.5, 0.8, 1.0)


def unit_heading(deg):
    r = math.radians(deg)
    return np.array([math.sin(r), math.cos(r)])


def point_at_fraction(position, speed, fraction):
    length = quad(speed, 0.0, 1.0, limit=200, epsabs=1e-11)[0]
    target = fraction * length
    if fraction <= 0.0:
        t = 0.0
    elif fraction >= 1.0:
        t = 1.0
    else:
        t = brentq(lambda u: quad(speed, 0.0, u, limit=200, epsabs=1e-11)[0] - target, 0.0, 1.0, xtol=1e-13)
    return position(t), t, length


def spline_rows(case_id, corner, end, start_deg, scale, end_deg, corner_only):
    corner = np.array(corner, dtype=float)
    end = np.array(end, dtype=float)
    leg2 = end - corner
    l1, l2 = np.linalg.norm(corner), np.linalg.norm(leg2)
    if corner_only:
        target, t0, t1 = corner, l1 * unit_heading(start_deg), 0.5 * l1 * leg2 / l2
    else:
        target, t0 = end, scale * l1 * unit_heading(start_deg)
        t1 = 2.0 * l2 * unit_heading(end_deg) if end_deg is not None else 2.0 * leg2
    curve = CubicHermiteSpline([0.0, 1.0], np.array([[0.0, 0.0], target]), np.array([t0, t1]))
    inputs = (f"spline,{case_id},{corner[0]},{corner[1]},{end[0]},{end[1]},{start_deg},{scale},"
              f"{'' if end_deg is None else end_deg},{int(corner_only)}")
    shape_rows(inputs, curve, curve.derivative())


def curve_rows(case_id, control, end):
    p0, p1, p2 = np.zeros(2), np.array(control, dtype=float), np.array(end, dtype=float)
    position = lambda t: (1 - t) ** 2 * p0 + 2 * t * (1 - t) * p1 + t * t * p2
    derivative = lambda t: 2 * (1 - t) * (p1 - p0) + 2 * t * (p2 - p1)
    shape_rows(f"curve,{case_id},{control[0]},{control[1]},{end[0]},{end[1]},,,,", position, derivative)


def shape_rows(inputs, position, derivative):
    speed = lambda t: float(np.linalg.norm(derivative(t)))
    for fraction in FRACTIONS:
        (x, y), t, length = point_at_fraction(position, speed, fraction)
        dx, dy = derivative(t)
        heading = math.degrees(math.atan2(dx, dy)) % 360.0
        print(f"{inputs},{fraction},{x:.9f},{y:.9f},{heading:.9f},{length:.9f}")


def profile_rows(case_id, distance, duration, start, end):
    mean = distance / duration
    alpha, beta = max(start, 0.0) / mean, max(end, 0.0) / mean
    if alpha * alpha + beta * beta > 9.0:
        scale = 3.0 / math.hypot(alpha, beta)
        alpha, beta = alpha * scale, beta * scale
    vs, ve = alpha * mean, beta * mean
    curve = CubicHermiteSpline([0.0, 1.0], [0.0, distance], [duration * vs, duration * ve])
    velocity = curve.derivative()
    grid = np.linspace(0.0, 1.0, 200001)
    speeds = velocity(grid) / duration
    for s in (0.25, 0.5, 0.75):
        print(f"{case_id},{distance},{duration},{start},{end},{s},{float(curve(s)):.9f},{vs:.9f},{ve:.9f},"
              f"{speeds.min():.9f},{speeds.max():.9f}")


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(folder, "turn_shapes.csv"), "w") as out:
        sys.stdout = out
        print("kind,case,a,b,c,d,startHeadingDeg,scale,endHeadingDeg,cornerOnly,fraction,x,y,headingDeg,length")
        spline_rows(1, (0.0, 60.0), (60.0, 60.0), 0.0, 2.0, None, False)
        spline_rows(2, (0.0, 40.0), (-56.5685, 96.5685), 0.0, 2.0, None, False)
        spline_rows(3, (10.0, 70.0), (60.0, 100.0), 10.0, 1.5, 75.0, False)
        spline_rows(4, (0.0, 50.0), (50.0, 50.0), 350.0, 2.0, None, True)
        spline_rows(5, (30.0, 90.0), (150.0, 60.0), 15.0, 1.0, None, False)
        curve_rows(1, (0.0, 80.0), (60.0, 80.0))
        curve_rows(2, (20.0, 50.0), (-30.0, 120.0))
        curve_rows(3, (0.0, 30.0), (0.0, 100.0))
    with open(os.path.join(folder, "speed_profiles.csv"), "w") as out:
        sys.stdout = out
        print("case,distance,duration,startSpeed,endSpeed,timeFraction,position,limitedStart,limitedEnd,"
              "minSpeed,maxSpeed")
        profile_rows(1, 100.0, 10.0, 5.0, 15.0)
        profile_rows(2, 100.0, 10.0, 30.0, 30.0)
        profile_rows(3, 500.0, 20.0, 0.0, 60.0)
        profile_rows(4, 50.0, 10.0, 0.0, 0.0)
        profile_rows(5, 100.0, 10.0, -5.0, 40.0)
    sys.stdout = sys.__stdout__


if __name__ == "__main__":
    main()
