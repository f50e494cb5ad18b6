#include "model/Gcvspl.h"

namespace gcvspl {

void GCVSPL(const double*, const double*, const double*, int, int, double*, double&, double*, int& IER) { IER = 1; }

double SPLDER(int, int, int, double, const double*, const double*, int&, double*) { return 0.0; }

void SEARCH(int, const double*, double, int&) {}

void BASIS(int, int, const double*, double*, double& BL, double*) { BL = 0.0; }

void PREP(int, int, const double*, const double*, double*, double& EL) { EL = 0.0; }

double SPLC(int, int, const double*, const double*, const double*, double, double, double, double*, double*,
            const double*, const double*, double, double*) {
    return 0.0;
}

void BANDET(double*, int, int) {}

void BANSOL(const double*, const double*, double*, int, int) {}

double TRINV(const double*, double*, int, int) { return 0.0; }

}  // namespace gcvspl
