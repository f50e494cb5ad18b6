#!/usr/bin/env python3
"""A MAT-file written by the program (write_mat_sample), read back by SciPy's Level-4 reader.

Fails, naming the Debian package, when NumPy or SciPy are not installed.
"""
import os
import subprocess
import sys
import tempfile

try:
    import numpy as np
    from scipy.io import loadmat
except ImportError as error:
    print(f"FAILED: {error}: install Debian package python3-scipy (scripts/setup.sh does)")
    sys.exit(1)


def check(condition, what):
    if not condition:
        print(f"FAILED: {what}")
        sys.exit(1)


def main():
    writer = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "walk.mat")
        subprocess.run([writer, path], check=True)
        matrices = {k: v for k, v in loadmat(path).items() if not k.startswith("__")}

    check(sorted(matrices) == ["MAT3DV_A", "MAT3DV_K"], f"names {sorted(matrices)}")
    points = matrices["MAT3DV_K"]
    analog = matrices["MAT3DV_A"]
    check(points.shape == (5, 10), f"point shape {points.shape}")
    check(analog.shape == (20, 3), f"analog shape {analog.shape}")

    # Time = frame x rate / 1000: 100 Hz points, 400 Hz analog.
    frames = np.arange(5)
    check(np.allclose(points[:, 0], frames * 0.1, rtol=1e-6), f"point times {points[:, 0]}")
    expected = np.array([[r * 10.0 + f / 2.0 for r in range(9)] for f in frames])
    check(np.array_equal(points[:, 1:], expected), f"points {points[:, 1:]}")

    samples = np.arange(20)
    check(np.allclose(analog[:, 0], samples * 0.4, rtol=1e-6), f"analog times {analog[:, 0]}")
    expected = np.array([[-(c + 1) * 1000.0 + s for c in range(2)] for s in samples])
    check(np.array_equal(analog[:, 1:], expected), f"analog {analog[:, 1:]}")
    print("MAT3DV_K and MAT3DV_A read back by SciPy", "OK")


if __name__ == "__main__":
    main()
