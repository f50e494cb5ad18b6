#include "motion/C3DFormat.h"

#include <cmath>
#include <cstring>

long gC3DDataOffset = 0;
int gC3DParameterEndBlock = 0;
double gAnalogGenScale = 1.0;

int16_t ConvertInt16(uint16_t word, int32_t processor) {
    uint8_t bytes[2];
    dez::StoreU16LE(bytes, word);
    return processor == kC3DMips ? dez::LoadI16BE(bytes) : dez::LoadI16LE(bytes);
}

float ConvertFloat32(const uint8_t* bytes, int32_t processor) {
    switch (processor) {
        case kC3DIntel:
            return c3dformat::DecodeFloat<kC3DIntel>(bytes);
        case kC3DDec:
            return c3dformat::DecodeFloat<kC3DDec>(bytes);
        case kC3DMips:
            return c3dformat::DecodeFloat<kC3DMips>(bytes);
        default:
            return 0.0f;
    }
}

float ConvertFloat(const uint16_t* words, int32_t processor) {
    uint8_t bytes[4];
    dez::StoreU16LE(bytes, words[0]);
    dez::StoreU16LE(bytes + 2, words[1]);
    return ConvertFloat32(bytes, processor);
}

int32_t WordsToInt(const uint16_t* words, int32_t processor) {
    const auto low = static_cast<uint16_t>(ConvertInt16(words[0], processor));
    const auto high = static_cast<uint16_t>(ConvertInt16(words[1], processor));
    const uint32_t bits = static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16);
    int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void FloatToWords(float value, uint16_t& high, uint16_t& low) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    high = static_cast<uint16_t>(bits >> 16);
    low = static_cast<uint16_t>(bits & 0xFFFFu);
}

void PackLabel(const uint16_t* words, char* out5) {
    uint8_t bytes[4];
    dez::StoreU16LE(bytes, words[0]);
    dez::StoreU16LE(bytes + 2, words[1]);
    std::memcpy(out5, bytes, 4);
    out5[4] = '\0';
}

int32_t C3DFrameOfTime(double rate, double seconds) {
    const double v = std::floor(rate * seconds + 0.5);
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

int32_t LabelsContinuation(const char* name) {
    if (!name || std::strncmp(name, "LABELS", 6) != 0) return 0;
    int32_t m = 0;
    for (const char* c = name + 6; *c >= '0' && *c <= '9'; ++c) m = m >= 99999 ? 99999 : m * 10 + (*c - '0');
    return m > 99999 ? 99999 : m;
}
