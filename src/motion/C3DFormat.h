#pragma once
// Program-wide state of the C3D reader (one file is read at a time).

// Byte offset of the data section; it also ends the parameter walk.
extern long gC3DDataOffset;
// First block after the parameter section.
extern int gC3DParameterEndBlock;
// ANALOG:GEN_SCALE of the last file read (1.0 when none).
extern double gAnalogGenScale;
