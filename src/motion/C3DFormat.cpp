#include "C3DFormat.h"

long gC3DDataOffset = 0;
int gC3DParameterEndBlock = 0;
double gAnalogGenScale = 1.0;
