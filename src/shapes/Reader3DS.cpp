#include "shapes/Reader3DS.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/ByteReader.h"
#include "platform/GuardedRead.h"
#include "platform/NumberText.h"

namespace dez {

namespace {

enum class Kind : uint8_t {
    Skip,           // data this program does not use: skipped by the chunk length
    Container,      // payload is sub-chunks
    ObjectBlock,    // name, then sub-chunks
    VertexList,     // u16 count, count x 3 floats
    FaceList,       // u16 count, count x 4 u16, then sub-chunks
    FaceMaterial,   // name, u16 count, count x u16 (reported)
    DataThenChunks  // `skip` bytes of data, then sub-chunks
};

struct ChunkRow {
    uint16_t id;
    const char* name;
    Kind kind;
    uint8_t skip;
};

// The chunks the reader knows, searched in this order. Rows of kind Skip only document the file:
// their data is of no use to a mesh, and every chunk is left by its length anyway.
constexpr ChunkRow kChunks[] = {
    {0x0010, "RGB float", Kind::Skip, 0},
    {0x0011, "RGB byte", Kind::Skip, 0},
    {0xC23D, "Project", Kind::Container, 0},
    {0x3DAA, "Material Library", Kind::Container, 0},
    {0x4D4D, "Main", Kind::Container, 0},
    {0x3D3D, "Object Mesh", Kind::Container, 0},
    {0x1200, "Background color", Kind::Container, 0},
    {0x2100, "Ambient color", Kind::Container, 0},
    {0x4000, "Object Block", Kind::ObjectBlock, 0},
    {0x4100, "Tri-Mesh", Kind::Container, 0},
    {0x4110, "Vertex list", Kind::VertexList, 0},
    {0x4111, "Vertex flag list", Kind::Skip, 0},
    {0x4120, "Face list", Kind::FaceList, 0},
    {0x4165, "Mesh color", Kind::Skip, 0},
    {0x4130, "Face material", Kind::FaceMaterial, 0},
    {0x4140, "Mappings list", Kind::Skip, 0},
    {0x4170, "Texture info", Kind::Skip, 0},
    {0x4150, "Smoothings", Kind::Skip, 0},
    {0x4160, "Matrix", Kind::Skip, 0},
    {0x4600, "Light", Kind::DataThenChunks, 12},
    {0x4610, "Spotlight", Kind::Skip, 0},
    {0x4700, "Camera", Kind::Skip, 0},
    {0x4F00, "Hierarchy", Kind::Container, 0},
    {0x7001, "Viewport info", Kind::Skip, 0},
    {0xAFFF, "Material", Kind::Container, 0},
    {0xA000, "Material name", Kind::Skip, 0},
    {0xA010, "Ambient color", Kind::Container, 0},
    {0xA020, "Diffuse color", Kind::Container, 0},
    {0xA030, "Specular color", Kind::Container, 0},
    {0xA200, "Texture map", Kind::Container, 0},
    {0xA230, "Bump map", Kind::Container, 0},
    {0xA300, "Map filename", Kind::Skip, 0},
    {0xB000, "Keyframer data", Kind::Container, 0},
    {0xB001, "Ambient key", Kind::Container, 0},
    {0xB002, "Track info", Kind::Container, 0},
    {0xB008, "Frames", Kind::Skip, 0},
    {0xB010, "Track Obj. Name", Kind::Skip, 0},
    {0xB013, "Pivot point", Kind::Skip, 0},
    {0xB020, "Position keys", Kind::Skip, 0},
    {0xB021, "Rotation keys", Kind::Skip, 0},
    {0xB022, "Scale keys", Kind::Skip, 0},
    {0xB026, "Morph keys", Kind::Skip, 0},
    {0xB029, "Hide keys", Kind::Skip, 0},
    {0xB030, "Object number", Kind::Skip, 0},
    {0xB003, "Camera track", Kind::Container, 0},
    {0xB004, "Camera target track", Kind::Container, 0},
    {0xB005, "Pointlight track", Kind::Container, 0},
    {0xB006, "Pointlight target track", Kind::Container, 0},
    {0xB007, "Spotlight track", Kind::Container, 0},
    {0xB023, "FOV track", Kind::Skip, 0},
    {0xB024, "Roll track", Kind::Skip, 0},
};

const ChunkRow* FindChunk(uint16_t id) {
    for (const ChunkRow& row : kChunks)
        if (row.id == id) return &row;
    return nullptr;
}

}  // namespace

bool Reader3DS::Open3DSFile(const std::string& path) {
    Reset3DSReader();
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(path, bytes, &error)) {
        error_ = error.empty() ? "cannot read " + path : error;
        return false;
    }
    return Open3DSBytes(bytes.data(), bytes.size(), path);
}

bool Reader3DS::Open3DSBytes(const uint8_t* data, size_t size, const std::string& source) {
    Reset3DSReader();
    data_ = data;
    size_ = data ? size : 0;
    source_ = source;
    Read3DSChunks(0, size_, 0);
    // The arrays are copied out of the walk: the bytes belong to the caller.
    data_ = nullptr;
    size_ = 0;
    open_ = true;
    return true;
}

void Reader3DS::Read3DSChunks(size_t pos, size_t end, int indent) {
    if (indent / 2 > kMaxDepth) return;
    while (pos < end && end - pos >= 6) {
        const uint16_t id = LoadU16LE(data_ + pos);
        const uint32_t length = LoadU32LE(data_ + pos + 2);
        // A length of 0, or one that would not even cover the header, cannot move the walk on.
        if (length < 6) return;
        // A chunk longer than its parent (or the file) keeps what its parent holds, and nothing
        // can follow it.
        const size_t chunkEnd = length > end - pos ? end : pos + length;
        ReadChunk(id, pos + 6, chunkEnd, indent + 2);
        pos = chunkEnd;
    }
}

void Reader3DS::ReadChunk(uint16_t id, size_t payload, size_t end, int indent) {
    const ChunkRow* row = FindChunk(id);
    if (row == nullptr) return;
    switch (row->kind) {
    case Kind::Skip:
        break;
    case Kind::Container:
        Read3DSChunks(payload, end, indent);
        break;
    case Kind::ObjectBlock:
        ReadObjectBlock(payload, end, indent);
        break;
    case Kind::VertexList:
        ReadVertexList(payload, end);
        break;
    case Kind::FaceList:
        ReadFaceList(payload, end, indent);
        break;
    case Kind::FaceMaterial:
        ReadFaceMaterial(payload, end, indent);
        break;
    case Kind::DataThenChunks:
        if (end - payload >= row->skip) Read3DSChunks(payload + row->skip, end, indent);
        break;
    }
}

void Reader3DS::ReadObjectBlock(size_t payload, size_t end, int indent) {
    const uint8_t* start = data_ + payload;
    const auto* zero = static_cast<const uint8_t*>(std::memchr(start, 0, end - payload));
    const size_t nameLength = zero ? size_t(zero - start) : end - payload;
    Object object;
    object.name.assign(reinterpret_cast<const char*>(start), std::min(nameLength, kMaxName));
    objects_.push_back(std::move(object));
    const int outer = current_;
    current_ = int(objects_.size()) - 1;
    if (zero) Read3DSChunks(payload + nameLength + 1, end, indent);
    current_ = outer;
}

void Reader3DS::MarkBad(const std::string& what, size_t offset) {
    if (current_ < 0) return;  // outside an object block it belongs to no mesh
    std::string& error = objects_[size_t(current_)].error;
    if (error.empty()) error = Format("%s: %s at byte %zu", source_.c_str(), what.c_str(), offset);
}

void Reader3DS::ReadVertexList(size_t payload, size_t end) {
    ByteReader in(data_ + payload, end - payload);
    uint16_t n = 0;
    if (!in.ReadU16LE(n) || size_t(n) * 12 > in.remaining()) {
        MarkBad(Format("vertex list of %u vertices longer than its chunk", unsigned(n)),
                payload - 6);
        return;
    }
    vertexTotal_ += n;
    if (current_ < 0) return;
    std::vector<float>& out = objects_[size_t(current_)].vertices;
    out.resize(size_t(n) * 3);
    for (float& c : out) in.ReadF32LE(c);
}

void Reader3DS::ReadFaceList(size_t payload, size_t end, int indent) {
    ByteReader in(data_ + payload, end - payload);
    uint16_t n = 0;
    if (!in.ReadU16LE(n) || size_t(n) * 8 > in.remaining()) {
        MarkBad(Format("face list of %u faces longer than its chunk", unsigned(n)), payload - 6);
        return;
    }
    faceTotal_ += n;
    if (current_ >= 0) {
        std::vector<int32_t>& out = objects_[size_t(current_)].faces;
        out.assign(size_t(n) * 5, 0);
        for (size_t i = 0; i < n; ++i) {
            uint16_t corner[4];
            for (uint16_t& c : corner) in.ReadU16LE(c);  // a, b, c and a flags word
            int32_t* face = &out[i * 5];
            face[0] = 3;
            face[1] = corner[0];
            face[2] = corner[1];
            face[3] = corner[2];
        }
    }
    Read3DSChunks(payload + 2 + size_t(n) * 8, end, indent);
}

void Reader3DS::ReadFaceMaterial(size_t payload, size_t end, int indent) {
    const uint8_t* start = data_ + payload;
    const auto* zero = static_cast<const uint8_t*>(std::memchr(start, 0, end - payload));
    if (zero == nullptr) return;
    ByteReader in(zero + 1, size_t(data_ + end - (zero + 1)));
    uint16_t n = 0;
    if (!in.ReadU16LE(n)) return;
    std::printf("%*sFaces with this material: %d\n", indent, "", int(n));
}

const float* Reader3DS::Get3DSVertices(int* count) const {
    if (count) *count = int(vertices_.size() / 3);
    return vertices_.empty() ? nullptr : vertices_.data();
}

const int32_t* Reader3DS::Get3DSFaces(int* count) const {
    if (count) *count = int(faces_.size() / 5);
    return faces_.empty() ? nullptr : faces_.data();
}

void Reader3DS::TakeSelection(std::vector<float>& vertices, std::vector<int32_t>& faces) {
    vertices = std::move(vertices_);
    faces = std::move(faces_);
    vertices_.clear();
    faces_.clear();
}

void Reader3DS::Reset3DSReader() {
    data_ = nullptr;
    size_ = 0;
    source_.clear();
    open_ = false;
    objects_.clear();
    current_ = -1;
    vertexTotal_ = 0;
    faceTotal_ = 0;
    vertices_.clear();
    faces_.clear();
    error_.clear();
}

std::string Reader3DS::ObjectName(int index) const {
    return index >= 0 && index < Count3DSObjects() ? objects_[size_t(index)].name : std::string();
}

bool Reader3DS::Select3DSObject(int index, std::string* nameOut) {
    error_.clear();
    vertices_.clear();
    faces_.clear();
    if (!open_) return false;
    if (index >= 0 && index < Count3DSObjects()) return Read3DSObject(index, nameOut);
    return Merge3DSObjects();
}

bool Reader3DS::CheckCorners(const Object& object, int index) {
    if (!object.error.empty()) {
        error_ = object.error;
        return false;
    }
    const int32_t vertices = int32_t(object.vertices.size() / 3);
    for (size_t i = 0; i < object.faces.size(); i += 5) {
        for (int c = 1; c <= 3; ++c) {
            if (object.faces[i + c] >= vertices) {
                error_ = Format("%s: object %d \"%s\": face %zu uses vertex %d of %d",
                                source_.c_str(), index, object.name.c_str(), i / 5,
                                int(object.faces[i + c]), int(vertices));
                return false;
            }
        }
    }
    return true;
}

bool Reader3DS::Read3DSObject(int index, std::string* nameOut) {
    const Object& object = objects_[size_t(index)];
    if (nameOut) *nameOut = object.name;
    if (!CheckCorners(object, index)) return false;
    vertices_ = object.vertices;
    faces_ = object.faces;
    return true;
}

bool Reader3DS::Merge3DSObjects() {
    size_t vertexCount = 0, faceCount = 0;
    for (size_t i = 0; i < objects_.size(); ++i) {
        if (!CheckCorners(objects_[i], int(i))) return false;
        vertexCount += objects_[i].vertices.size() / 3;
        faceCount += objects_[i].faces.size() / 5;
    }
    if (vertexCount == 0 || faceCount == 0) return false;
    if (vertexCount > size_t(INT32_MAX) || faceCount > size_t(INT32_MAX) / 5) {
        error_ = source_ + ": too many vertices to merge";
        return false;
    }
    std::vector<float> vertices;
    std::vector<int32_t> faces;
    vertices.reserve(vertexCount * 3);
    faces.reserve(faceCount * 5);
    for (const Object& object : objects_) {
        const auto offset = int32_t(vertices.size() / 3);
        vertices.insert(vertices.end(), object.vertices.begin(), object.vertices.end());
        for (size_t i = 0; i < object.faces.size(); i += 5) {
            faces.push_back(object.faces[i]);
            for (int c = 1; c <= 3; ++c) faces.push_back(object.faces[i + c] + offset);
            faces.push_back(0);
        }
    }
    vertices_ = std::move(vertices);
    faces_ = std::move(faces);
    return true;
}

}  // namespace dez
