#!/usr/bin/python3
"""Reference values for GcvsplTest and SignalFilterTest, from SciPy's cubic smoothing spline (make_smoothing_spline,
SciPy 1.10, Debian's python3-scipy), which minimises sum (y_i - f(x_i))^2 + lam * integral f''^2,
the criterion of our half-order 2 fit with unit weights.

make_smoothing_spline picks lam by generalized cross-validation with a loose search; here lam is
found again by minimising the GCV score n |y - A y|^2 / (n - tr A)^2 tightly, the influence matrix A
being built column by column from SciPy's fits. The gap filling is checked against SciPy's natural
cubic spline (CubicSpline, bc_type "natural"). Run by hand, not by CTest; its output is pasted into
the two tests."""
import numpy as np
from scipy.interpolate import CubicSpline, make_smoothing_spline
from scipy.optimize import minimize_scalar

n = 30
rate = 50.0
x = np.arange(n) / rate
# Fixed pseudo-noise so the data need no random generator: a sine plus a deterministic jitter.
noise = 0.05 * np.sin(12.9898 * np.arange(n) + 78.233 * np.arange(n) ** 2 % 7.0)
y = np.sin(2 * np.pi * 1.3 * x) + noise


def gcv(log_lam):
    lam = 10.0 ** log_lam
    a = np.column_stack([make_smoothing_spline(x, e, lam=lam)(x) for e in np.eye(n)])
    r = y - a @ y
    return n * (r @ r) / (n - np.trace(a)) ** 2


def dump(name, values):
    print(f"const double {name}[] = {{")
    for i in range(0, len(values), 4):
        print("    " + ", ".join(f"{v:.17g}" for v in values[i:i + 4]) + ",")
    print("};")


best = minimize_scalar(gcv, bounds=(-8.0, -2.0), method="bounded", options={"xatol": 1e-9})
print(f"// lam = {10.0 ** best.x:.10g}, GCV score {best.fun:.10g}")
dump("kY", y)
for label, lam in (("Gcv", 10.0 ** best.x), ("Fixed", 1e-5)):
    spline = make_smoothing_spline(x, y, lam=lam)
    dump(f"k{label}Value", spline(x))
    if label == "Gcv":
        dump(f"k{label}First", spline.derivative(1)(x))
        dump(f"k{label}Second", spline.derivative(2)(x))
        # Midway between the knots. (Beyond the ends SciPy continues the end pieces' cubics, not
        # the straight lines of the natural spline.)
        between = (x[:-1] + x[1:]) / 2
        dump(f"k{label}Between", spline(between))
        dump(f"k{label}BetweenFirst", spline.derivative(1)(between))

# FillGaps: samples of a cubic at 0 .. 24 with samples 5, 6, 15, 16 and 17 missing.
t = np.arange(25.0)
cubic = 0.002 * t ** 3 - 0.07 * t ** 2 + 0.5 * t + 1.0
gaps = [5, 6, 15, 16, 17]
knots = np.array([i for i in range(25) if i not in gaps])
# (the test computes the cubic itself)
dump("kCubicFilled", CubicSpline(knots, cubic[knots], bc_type="natural")(gaps))
