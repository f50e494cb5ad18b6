// Writes the MAT-file that MatFileScipyTest.py reads back with SciPy: 3 points over 5 frames at
// 100 Hz, point row r of frame f = r * 10 + f / 2; 2 analog channels of 4 samples per frame,
// channel c of sample s = -(c + 1) * 1000 + s.
#include <cstdio>

#include "motion/TDataFile.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s out.mat\n", argv[0]);
        return 2;
    }
    TDataFile d(3, 5, 100.0f, 2, 4, 3);
    for (int32_t f = 0; f < 5; ++f)
        for (int32_t r = 0; r < 9; ++r) d.points->SetValue(r, f, r * 10.0 + f / 2.0);
    for (int32_t s = 0; s < 20; ++s)
        for (int32_t c = 0; c < 2; ++c) d.analog->SetValue(c, s, -(c + 1) * 1000.0 + s);
    return d.SaveFile(argv[1], kFileMat) ? 0 : 1;
}
