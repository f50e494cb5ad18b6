#include "platform/ByteReader.h"

#include <cstring>

namespace dez {

bool ByteReader::Seek(size_t pos) {
    if (pos > size_) {
        ok_ = false;
        return false;
    }
    pos_ = pos;
    return true;
}

bool ByteReader::Skip(size_t n) {
    if (n > remaining()) {
        ok_ = false;
        return false;
    }
    pos_ += n;
    return true;
}

bool ByteReader::ReadU8(uint8_t& v) {
    if (remaining() < 1) {
        v = 0;
        ok_ = false;
        return false;
    }
    v = data_[pos_++];
    return true;
}

bool ByteReader::ReadI8(int8_t& v) {
    uint8_t u = 0;
    const bool done = ReadU8(u);
    v = static_cast<int8_t>(u);
    return done;
}

bool ByteReader::ReadBytes(void* dst, size_t n) {
    if (n == 0) return true;
    if (dst == nullptr) {
        ok_ = false;
        return false;
    }
    if (n > remaining()) {
        std::memset(dst, 0, n);
        ok_ = false;
        return false;
    }
    std::memcpy(dst, data_ + pos_, n);
    pos_ += n;
    return true;
}

void ByteWriter::PutBytes(const void* src, size_t n) {
    if (n == 0 || src == nullptr) return;
    std::memcpy(Grow(n), src, n);
}

std::vector<uint8_t> ByteWriter::TakeBytes() {
    std::vector<uint8_t> out;
    out.swap(bytes_);
    return out;
}

#define DEZ_PATCH(Name, Type, Width, Store)      \
    bool ByteWriter::Name(size_t at, Type v) {   \
        uint8_t* p = At(at, Width);              \
        if (p == nullptr) return false;          \
        Store(p, v);                             \
        return true;                             \
    }

DEZ_PATCH(PatchU16LE, uint16_t, 2, StoreU16LE)
DEZ_PATCH(PatchU16BE, uint16_t, 2, StoreU16BE)
DEZ_PATCH(PatchI16LE, int16_t, 2, StoreI16LE)
DEZ_PATCH(PatchI16BE, int16_t, 2, StoreI16BE)
DEZ_PATCH(PatchU32LE, uint32_t, 4, StoreU32LE)
DEZ_PATCH(PatchU32BE, uint32_t, 4, StoreU32BE)
DEZ_PATCH(PatchI32LE, int32_t, 4, StoreI32LE)
DEZ_PATCH(PatchI32BE, int32_t, 4, StoreI32BE)
DEZ_PATCH(PatchF32LE, float, 4, StoreF32LE)
DEZ_PATCH(PatchF32BE, float, 4, StoreF32BE)
#undef DEZ_PATCH

bool ByteWriter::PatchU8(size_t at, uint8_t v) {
    uint8_t* p = At(at, 1);
    if (p == nullptr) return false;
    *p = v;
    return true;
}

}  // namespace dez
