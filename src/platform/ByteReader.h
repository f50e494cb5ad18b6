#pragma once
// Bounds-checked binary reading and writing with explicit byte order. Fields are decoded with
// memcpy into fixed-width integers, never by casting buffer pointers, so alignment and the host's
// byte order never matter.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace dez {

// ---- Decoders on raw bytes (the caller guarantees the bytes are there) ----

inline uint16_t LoadU16LE(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint16_t LoadU16BE(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
inline uint32_t LoadU32LE(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint32_t LoadU32BE(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
inline uint64_t LoadU64LE(const uint8_t* p) {
    return static_cast<uint64_t>(LoadU32LE(p)) | (static_cast<uint64_t>(LoadU32LE(p + 4)) << 32);
}
inline uint64_t LoadU64BE(const uint8_t* p) {
    return (static_cast<uint64_t>(LoadU32BE(p)) << 32) | static_cast<uint64_t>(LoadU32BE(p + 4));
}
// Two's complement reinterpretation through memcpy (well defined, unlike an out-of-range cast).
inline int16_t LoadI16LE(const uint8_t* p) {
    const uint16_t u = LoadU16LE(p);
    int16_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}
inline int16_t LoadI16BE(const uint8_t* p) {
    const uint16_t u = LoadU16BE(p);
    int16_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}
inline int32_t LoadI32LE(const uint8_t* p) {
    const uint32_t u = LoadU32LE(p);
    int32_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}
inline int32_t LoadI32BE(const uint8_t* p) {
    const uint32_t u = LoadU32BE(p);
    int32_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}
inline float LoadF32LE(const uint8_t* p) {
    const uint32_t u = LoadU32LE(p);
    float v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}
inline float LoadF32BE(const uint8_t* p) {
    const uint32_t u = LoadU32BE(p);
    float v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}
inline double LoadF64LE(const uint8_t* p) {
    const uint64_t u = LoadU64LE(p);
    double v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}
inline double LoadF64BE(const uint8_t* p) {
    const uint64_t u = LoadU64BE(p);
    double v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

// ---- Encoders into raw bytes (the caller guarantees the room) ----

inline void StoreU16LE(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreU16BE(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void StoreU32LE(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void StoreU32BE(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
inline void StoreU64LE(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void StoreU64BE(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (56 - 8 * i));
}
inline void StoreI16LE(uint8_t* p, int16_t v) {
    uint16_t u;
    std::memcpy(&u, &v, sizeof u);
    StoreU16LE(p, u);
}
inline void StoreI16BE(uint8_t* p, int16_t v) {
    uint16_t u;
    std::memcpy(&u, &v, sizeof u);
    StoreU16BE(p, u);
}
inline void StoreI32LE(uint8_t* p, int32_t v) {
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    StoreU32LE(p, u);
}
inline void StoreI32BE(uint8_t* p, int32_t v) {
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    StoreU32BE(p, u);
}
inline void StoreF32LE(uint8_t* p, float v) {
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    StoreU32LE(p, u);
}
inline void StoreF32BE(uint8_t* p, float v) {
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    StoreU32BE(p, u);
}
inline void StoreF64LE(uint8_t* p, double v) {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    StoreU64LE(p, u);
}
inline void StoreF64BE(uint8_t* p, double v) {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    StoreU64BE(p, u);
}

// Sequential reads over a buffer it does not own. A read that does not fit returns false, zeroes
// its output, leaves the position where it was and clears ok() for good, so a parser may run a
// group of reads and check ok() once. A failed Seek or Skip also clears ok().
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
    explicit ByteReader(const std::vector<uint8_t>& bytes) : ByteReader(bytes.data(), bytes.size()) {}
    // The reader only borrows the bytes: a temporary vector would be gone before the first read.
    explicit ByteReader(std::vector<uint8_t>&&) = delete;

    size_t size() const { return size_; }
    size_t pos() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    bool ok() const { return ok_; }
    const uint8_t* data() const { return data_; }

    // Seek to any offset up to size() (the end itself included).
    bool Seek(size_t pos);
    bool Skip(size_t n);
    // The next n bytes without consuming them, or null when fewer remain.
    const uint8_t* Peek(size_t n) const { return n <= remaining() ? data_ + pos_ : nullptr; }

    bool ReadU8(uint8_t& v);
    bool ReadI8(int8_t& v);
    bool ReadU16LE(uint16_t& v) { return Read(v, 2, LoadU16LE); }
    bool ReadU16BE(uint16_t& v) { return Read(v, 2, LoadU16BE); }
    bool ReadI16LE(int16_t& v) { return Read(v, 2, LoadI16LE); }
    bool ReadI16BE(int16_t& v) { return Read(v, 2, LoadI16BE); }
    bool ReadU32LE(uint32_t& v) { return Read(v, 4, LoadU32LE); }
    bool ReadU32BE(uint32_t& v) { return Read(v, 4, LoadU32BE); }
    bool ReadI32LE(int32_t& v) { return Read(v, 4, LoadI32LE); }
    bool ReadI32BE(int32_t& v) { return Read(v, 4, LoadI32BE); }
    bool ReadF32LE(float& v) { return Read(v, 4, LoadF32LE); }
    bool ReadF32BE(float& v) { return Read(v, 4, LoadF32BE); }
    bool ReadF64LE(double& v) { return Read(v, 8, LoadF64LE); }
    bool ReadF64BE(double& v) { return Read(v, 8, LoadF64BE); }
    // Copies n bytes to dst (zero-filled on a short read; dst may be null only when n is 0).
    bool ReadBytes(void* dst, size_t n);

private:
    template <typename T>
    bool Read(T& v, size_t n, T (*load)(const uint8_t*)) {
        if (n > remaining()) {
            v = T();
            ok_ = false;
            return false;
        }
        v = load(data_ + pos_);
        pos_ += n;
        return true;
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Appends encoded fields to a growing buffer; Patch* rewrite a field written earlier (a size or
// an offset known only later) and return false when it lies outside the buffer.
class ByteWriter {
public:
    void PutU8(uint8_t v) { bytes_.push_back(v); }
    void PutI8(int8_t v) { bytes_.push_back(static_cast<uint8_t>(v)); }
    void PutU16LE(uint16_t v) { StoreU16LE(Grow(2), v); }
    void PutU16BE(uint16_t v) { StoreU16BE(Grow(2), v); }
    void PutI16LE(int16_t v) { StoreI16LE(Grow(2), v); }
    void PutI16BE(int16_t v) { StoreI16BE(Grow(2), v); }
    void PutU32LE(uint32_t v) { StoreU32LE(Grow(4), v); }
    void PutU32BE(uint32_t v) { StoreU32BE(Grow(4), v); }
    void PutI32LE(int32_t v) { StoreI32LE(Grow(4), v); }
    void PutI32BE(int32_t v) { StoreI32BE(Grow(4), v); }
    void PutF32LE(float v) { StoreF32LE(Grow(4), v); }
    void PutF32BE(float v) { StoreF32BE(Grow(4), v); }
    void PutF64LE(double v) { StoreF64LE(Grow(8), v); }
    void PutF64BE(double v) { StoreF64BE(Grow(8), v); }
    void PutBytes(const void* src, size_t n);
    void PutZeros(size_t n) { bytes_.resize(bytes_.size() + n, 0); }

    bool PatchU8(size_t at, uint8_t v);
    bool PatchU16LE(size_t at, uint16_t v);
    bool PatchU16BE(size_t at, uint16_t v);
    bool PatchI16LE(size_t at, int16_t v);
    bool PatchI16BE(size_t at, int16_t v);
    bool PatchU32LE(size_t at, uint32_t v);
    bool PatchU32BE(size_t at, uint32_t v);
    bool PatchI32LE(size_t at, int32_t v);
    bool PatchI32BE(size_t at, int32_t v);
    bool PatchF32LE(size_t at, float v);
    bool PatchF32BE(size_t at, float v);

    const uint8_t* data() const { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    // Hands the buffer over and leaves the writer empty.
    std::vector<uint8_t> TakeBytes();
    void Clear() { bytes_.clear(); }

private:
    uint8_t* Grow(size_t n) {
        bytes_.resize(bytes_.size() + n);
        return bytes_.data() + bytes_.size() - n;
    }
    uint8_t* At(size_t at, size_t n) {
        return (at <= bytes_.size() && n <= bytes_.size() - at) ? bytes_.data() + at : nullptr;
    }

    std::vector<uint8_t> bytes_;
};

}  // namespace dez
