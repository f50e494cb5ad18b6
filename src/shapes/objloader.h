#pragma once
// Reads one group of a Wavefront OBJ file, or the whole file, as an indexed triangle mesh. A side
// file, the group index (same folder and name, extension "idx"), lists per group where its vertex
// and face lines start and how many there are, so that a model made of many parts reads each part
// without classifying the lines of the whole file. The index is trusted only when it is at least
// as new as the OBJ file and records its size; otherwise it is rebuilt (kept in memory when the
// folder cannot be written).
//
// Index file: the line "# objidx", the line "# size <OBJ bytes>", then per group
// "<first vertex line> <first face line> <name> <vertex lines> <face lines> <vertices before>";
// line numbers count from 1, the name may hold blanks.
//
// Only lines starting "v" and a blank are vertices ("vn", "vt" are not); faces with k corners
// become k - 2 triangles (a fan from the first corner); face lines with fewer than 3 corners
// (polylines) are left out. OBJ indices are 1-based over the whole file, or negative (counted
// back from the last vertex so far); a group's indices are made relative to its own first vertex.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ObjGroupInfo {
    long firstVertexLine = 0;
    long firstFaceLine = 0;
    std::string name;
    long vertexLines = 0;
    long faceLines = 0;
    // "v" lines of the file before the group's first one: its first vertex's 0-based index.
    long vertexOrdinal = 0;
};

class objloader {
public:
    // Checks that the OBJ file can be read (an error is logged when not) and, when asked, reads
    // or builds the group index.
    objloader(const std::string& objPath, bool buildIndex);

    bool IsOpen() const { return open_; }
    // Reads a valid index file, or scans the OBJ file and writes one. True when the file has at
    // least one group.
    bool BuildIndex();
    // True when the file's first line is the index header.
    static bool IsIndexFile(const std::string& path);
    int CountGroups() const { return int(groups_.size()); }
    // Group n, 1-based; false when there is no such group.
    bool GetGroupInfo(int n, ObjGroupInfo& out) const;

    // Group n's vertices (3 floats each) and triangles (5 ints each: 3, a, b, c, 0). With rebase
    // the indices point into the group's own vertices, else into the whole file's. False, with
    // Error() set, when the group is missing or a face corner is not one of its vertices.
    bool ReadGroup(int n, std::vector<float>& vertices, std::vector<int32_t>& faces, bool rebase);
    bool ReadGroupVertices(int n, std::vector<float>& out);
    bool ReadGroupFaces(int n, std::vector<int32_t>& out, bool rebase);
    // Every vertex and face of the file, groups or not, in one pass.
    bool ReadAll(std::vector<float>& vertices, std::vector<int32_t>& faces);
    bool ReadAllVertices(std::vector<float>& out);
    bool ReadAllFaces(std::vector<int32_t>& out);

    const std::string& IndexPath() const { return indexPath_; }
    // Whether the index came from the side file (true) or a scan of the OBJ file.
    bool IndexFromFile() const { return indexFromFile_; }
    const std::string& Error() const { return error_; }

private:
    bool LoadBytes();
    bool ReadIndexFile();
    void ScanGroups();
    void WriteIndexFile() const;

    std::string objPath_;
    std::string indexPath_;
    bool open_ = false;
    bool indexReady_ = false;
    bool indexFromFile_ = false;
    std::vector<ObjGroupInfo> groups_;
    std::string_view Text() const {
        return {reinterpret_cast<const char*>(bytes_.data()), bytes_.size()};
    }

    std::vector<uint8_t> bytes_;
    bool haveBytes_ = false;
    std::string error_;
};

// The vertex indices of the corners of a face line ("f 1 2 3", "f 1/4/2 5//6 ..."): the number
// before the first "/" of each word after the keyword, into `values` (replaced). Stops at the
// first word that does not start with a number; returns how many were found.
int ParseFaceCorners(std::string_view line, std::vector<long>& values);
// Compares the first words (up to the first blank) of two group names, ignoring case.
bool SameGroupName(std::string_view a, std::string_view b);
