#pragma once
// Writes 3DS chunk trees for the tests and the fuzzer's seeds: each chunk is a u16 id, a u32
// length over header, payload and children, all little-endian.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace mesh3ds {

struct Chunk {
    uint16_t id = 0;
    std::string payload;
    std::vector<Chunk> children;
    // When set, written instead of the true length (for malformed files).
    bool forceLength = false;
    uint32_t length = 0;
};

inline void PutU16(std::string& s, uint16_t v) {
    s += char(v & 0xFF);
    s += char(v >> 8);
}
inline void PutU32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
}
inline void PutF32(std::string& s, float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    PutU32(s, u);
}

inline std::string Bytes(const Chunk& c) {
    std::string body = c.payload;
    for (const Chunk& child : c.children) body += Bytes(child);
    std::string out;
    PutU16(out, c.id);
    PutU32(out, c.forceLength ? c.length : uint32_t(body.size() + 6));
    return out + body;
}

inline Chunk Make(uint16_t id, std::vector<Chunk> children = {}, std::string payload = {}) {
    Chunk c;
    c.id = id;
    c.children = std::move(children);
    c.payload = std::move(payload);
    return c;
}

inline Chunk VertexList(const std::vector<float>& xyz) {
    std::string p;
    PutU16(p, uint16_t(xyz.size() / 3));
    for (float f : xyz) PutF32(p, f);
    return Make(0x4110, {}, p);
}

inline Chunk FaceList(const std::vector<uint16_t>& abc, std::vector<Chunk> children = {}) {
    std::string p;
    PutU16(p, uint16_t(abc.size() / 3));
    for (size_t i = 0; i < abc.size(); i += 3) {
        PutU16(p, abc[i]);
        PutU16(p, abc[i + 1]);
        PutU16(p, abc[i + 2]);
        PutU16(p, 7);  // flags
    }
    return Make(0x4120, std::move(children), p);
}

inline Chunk FaceMaterial(const std::string& name, std::vector<uint16_t> faces) {
    std::string p = name + '\0';
    PutU16(p, uint16_t(faces.size()));
    for (uint16_t f : faces) PutU16(p, f);
    return Make(0x4130, {}, p);
}

inline Chunk Object(const std::string& name, std::vector<Chunk> children) {
    return Make(0x4000, std::move(children), name + '\0');
}

inline Chunk TriMeshObject(const std::string& name, const std::vector<float>& xyz,
                           const std::vector<uint16_t>& abc, std::vector<Chunk> faceChildren = {}) {
    return Object(name, {Make(0x4100, {VertexList(xyz), FaceList(abc, std::move(faceChildren))})});
}

// Main > Object Mesh > objects.
inline std::string File(std::vector<Chunk> objects) {
    return Bytes(Make(0x4D4D, {Make(0x3D3D, std::move(objects))}));
}

// Two objects: a square (4 vertices, 2 triangles) and a triangle (3 vertices, 1 triangle).
inline std::string TwoObjects() {
    return File({TriMeshObject("square", {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {0, 1, 2, 0, 2, 3}),
                 TriMeshObject("tri", {0, 0, 1, 1, 0, 1, 0, 1, 1}, {0, 1, 2})});
}

}  // namespace mesh3ds
