#pragma once
// Number formats of C3D files and the program-wide state of the C3D reader (one file is read at a
// time). A file names the processor that wrote it in byte 3 of its parameter section: 84 Intel,
// 85 DEC, 86 SGI/MIPS; the recording keeps that byte minus 83.
#include <cstdint>
#include <cstring>

#include "platform/ByteReader.h"

// Byte offset of the data section; it also ends the parameter walk.
extern long gC3DDataOffset;
// First block after the parameter section (first parameter block + its block count).
extern int gC3DParameterEndBlock;
// ANALOG:GEN_SCALE of the last file read (1.0 when none).
extern double gAnalogGenScale;

enum C3DProcessor : int32_t { kC3DIntel = 1, kC3DDec = 2, kC3DMips = 3 };

// `word` holds two file bytes b0 b1 as b0 + 256 * b1. SGI/MIPS words are big-endian; any other
// processor value leaves the word as stored.
int16_t ConvertInt16(uint16_t word, int32_t processor);
// Four file bytes to a real; an unknown processor gives 0.0.
float ConvertFloat32(const uint8_t* bytes, int32_t processor);
// The same four bytes handed over as two words (low word, the file's first two bytes, first).
float ConvertFloat(const uint16_t* words, int32_t processor);
// A 32-bit integer stored as two 16-bit words, low word first, each in the processor's format.
int32_t WordsToInt(const uint16_t* words, int32_t processor);
// Splits a float's bits into its high and low 16-bit halves.
void FloatToWords(float value, uint16_t& high, uint16_t& low);
// The four bytes of two words as they stand in the file, NUL-terminated (header-event labels).
void PackLabel(const uint16_t* words, char* out5);

// The frame of a time: floor(rate x seconds + 0.5), clamped to the int32 range (NaN gives 0).
int32_t C3DFrameOfTime(double rate, double seconds);
// Number m of a point-label continuation LABELSm (LABELS2, LABELS3 ...): the digits right after
// "LABELS"; 0 when there are none (also for "LABELS" itself), saturated at 99999.
int32_t LabelsContinuation(const char* name);

// Decoders for the data section, one per format, so that the format test is made once per file.
namespace c3dformat {

// DEC single precision is the IEEE layout with its 16-bit halves exchanged and an exponent larger
// by 2 (a value 4 times larger). DEC exponent 0 is zero whatever the fraction; exponents 1 and 2
// fall below the IEEE normal range and go through a multiplication so they come out as subnormals.
inline float DecodeDecFloat(const uint8_t* p) {
    const uint32_t bits = (static_cast<uint32_t>(p[1]) << 24) | (static_cast<uint32_t>(p[0]) << 16) |
                          (static_cast<uint32_t>(p[3]) << 8) | static_cast<uint32_t>(p[2]);
    const uint32_t exponent = (bits >> 23) & 0xFFu;
    float v;
    if (exponent > 2) {
        const uint32_t scaled = bits - (2u << 23);
        std::memcpy(&v, &scaled, sizeof v);
        return v;
    }
    if (exponent == 0) return 0.0f;
    std::memcpy(&v, &bits, sizeof v);
    return v * 0.25f;
}

template <int32_t Processor>
inline float DecodeFloat(const uint8_t* p) {
    if constexpr (Processor == kC3DIntel) return dez::LoadF32LE(p);
    else if constexpr (Processor == kC3DDec) return DecodeDecFloat(p);
    else return dez::LoadF32BE(p);
}

template <int32_t Processor>
inline int16_t DecodeInt16(const uint8_t* p) {
    if constexpr (Processor == kC3DMips) return dez::LoadI16BE(p);
    else return dez::LoadI16LE(p);
}

}  // namespace c3dformat
