#pragma once
// Test-side C3D encoder, written independently of the program's writer: it lays out header,
// parameter section and data section byte by byte in any of the three processor formats, so the
// reader can be checked on DEC and SGI files and on files the writer would never produce.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace c3dtest {

// Encodes numbers in one processor format (1 Intel, 2 DEC, 3 SGI/MIPS).
struct Encoding {
    int processor = 1;
    void Int16(std::vector<uint8_t>& out, int value) const;
    void Float(std::vector<uint8_t>& out, float value) const;
    void PutInt16(uint8_t* at, int value) const;
    void PutFloat(uint8_t* at, float value) const;
};

struct PointSample {
    float x = 0, y = 0, z = 0;
    float word = 0;  // fourth value as stored (integer files take its int16 bits)
};

class C3DFixture {
public:
    explicit C3DFixture(int processor = 1) { enc.processor = processor; }

    // Parameter section. Types: -1 characters, 1 bytes, 2 int16, 4 float.
    void Group(int id, const std::string& name, int distance = -1);
    void Raw(int group, const std::string& name, int type, const std::vector<int>& dims, const std::vector<uint8_t>& data,
             bool locked = false);
    void Int16s(int group, const std::string& name, const std::vector<int>& values, std::vector<int> dims = {},
                bool locked = false);
    void Floats(int group, const std::string& name, const std::vector<float>& values, std::vector<int> dims = {});
    void Text(int group, const std::string& name, const std::string& text);
    void Texts(int group, const std::string& name, const std::vector<std::string>& texts, int width);
    // Bytes appended to the parameter records as they are (for broken records).
    void RawRecordBytes(const std::vector<uint8_t>& bytes) { records_.insert(records_.end(), bytes.begin(), bytes.end()); }

    // The usual POINT (group 1) and ANALOG (group 2) parameters for the fields below.
    void StandardParameters();

    std::vector<uint8_t> Build() const;

    Encoding enc;
    int points = 2;
    int channels = 0;
    int samplesPerFrame = 0;
    int firstFrame = 1;
    int lastFrame = 10;
    float scale = -0.1f;  // negative: float data
    float rate = 100.0f;
    int firstParameterBlock = 2;
    int extraParameterBlocks = 0;  // blank blocks between parameters and data
    int dataStart = -1;            // header DATA_START; -1 = right after the parameters
    int parameterBlockByte = -1;   // byte 2 of the parameter header; -1 = the real count
    int processorByte = -1;        // byte 3; -1 = 83 + processor
    int dataFrames = -1;           // frames actually written; -1 = first .. last
    std::vector<std::pair<float, std::string>> headerEvents;
    int headerEventCount = -1;     // -1 = headerEvents.size()
    std::function<PointSample(int frame, int point)> point = [](int f, int p) {
        return PointSample{float(f + 1), float(10 * (p + 1)), float(-f), 3 * 256 + 4};
    };
    std::function<float(int frame, int sample, int channel)> analog = [](int f, int s, int c) {
        return float(f * 10 + s + 100 * c);
    };

private:
    std::vector<uint8_t> records_;
};

}  // namespace c3dtest
