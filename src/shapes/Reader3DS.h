#pragma once
// Reader of 3DS binary mesh files: one walk of the chunk tree collects every object block (its
// name, vertex list and triangles); a selection is then one object, or all of them merged.
//
// The file is little-endian: each chunk is a u16 id and a u32 length (header and payload,
// sub-chunks included). Every length is checked against its parent: a chunk longer than what
// holds it is cut to its parent's end and ends the walk there, a length below the header's 6
// bytes ends the walk, and nesting stops at kMaxDepth, so no file makes the walk loop or run off.
// Counts are checked against their chunk before anything is stored, and face corners against
// the object's vertex list when the object is selected.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dez {

class Reader3DS {
public:
    static constexpr int kMaxDepth = 64;
    // Object names are cut to this many characters.
    static constexpr size_t kMaxName = 199;

    // Reads and walks the whole file. False, with nothing kept, when it cannot be read.
    bool Open3DSFile(const std::string& path);
    // The same over bytes in memory; `source` names them in messages.
    bool Open3DSBytes(const uint8_t* data, size_t size, const std::string& source);
    int Count3DSObjects() const { return int(objects_.size()); }
    // An index from 0 to the object count - 1 selects that object, any other value all objects
    // merged (their faces moved past the vertices of the objects before them). False when no
    // file is open, when merging finds no vertices or no faces, or when a selected object's mesh
    // is malformed (see Error()). The name of a selected object goes to nameOut when given.
    bool Select3DSObject(int index, std::string* nameOut);
    // The selection: 3 floats per vertex, 5 ints per face (3, a, b, c, 0); null when empty.
    const float* Get3DSVertices(int* count) const;
    const int32_t* Get3DSFaces(int* count) const;
    // Hands the selection over (the reader keeps empty arrays).
    void TakeSelection(std::vector<float>& vertices, std::vector<int32_t>& faces);
    // Forgets the file, its objects and the selection.
    void Reset3DSReader();

    std::string ObjectName(int index) const;
    long long VertexTotal() const { return vertexTotal_; }
    long long FaceTotal() const { return faceTotal_; }
    // Why the last Open or Select failed, naming the file and the byte offset; "" otherwise.
    const std::string& Error() const { return error_; }

private:
    struct Object {
        std::string name;
        std::vector<float> vertices;
        std::vector<int32_t> faces;
        std::string error;
    };

    void Read3DSChunks(size_t pos, size_t end, int indent);
    void ReadChunk(uint16_t id, size_t payload, size_t end, int indent);
    void ReadObjectBlock(size_t payload, size_t end, int indent);
    void ReadVertexList(size_t payload, size_t end);
    void ReadFaceList(size_t payload, size_t end, int indent);
    void ReadFaceMaterial(size_t payload, size_t end, int indent);
    void MarkBad(const std::string& what, size_t offset);
    bool CheckCorners(const Object& object, int index);
    bool Read3DSObject(int index, std::string* nameOut);
    bool Merge3DSObjects();

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    std::string source_;
    bool open_ = false;
    std::vector<Object> objects_;
    // Object whose sub-chunks are being walked, -1 outside any object block.
    int current_ = -1;
    long long vertexTotal_ = 0;
    long long faceTotal_ = 0;
    std::vector<float> vertices_;
    std::vector<int32_t> faces_;
    std::string error_;
};

}  // namespace dez
