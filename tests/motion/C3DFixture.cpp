#include "motion/C3DFixture.h"

#include <cstring>

namespace c3dtest {

namespace {
uint32_t Bits(float v) {
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}
}  // namespace

void Encoding::PutInt16(uint8_t* at, int value) const {
    const auto u = static_cast<uint16_t>(value);
    if (processor == 3) {
        at[0] = static_cast<uint8_t>(u >> 8);
        at[1] = static_cast<uint8_t>(u);
    } else {
        at[0] = static_cast<uint8_t>(u);
        at[1] = static_cast<uint8_t>(u >> 8);
    }
}

void Encoding::PutFloat(uint8_t* at, float value) const {
    uint32_t u = Bits(value);
    if (processor == 1) {
        for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(u >> (8 * i));
    } else if (processor == 3) {
        for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(u >> (24 - 8 * i));
    } else {
        // VAX F_floating: exponent bias 128 with the hidden bit at 0.5, i.e. the IEEE exponent
        // plus 2; the 16-bit halves are stored low address = high half.
        if (value != 0.0f) u += 2u << 23;
        else u = 0;
        at[0] = static_cast<uint8_t>(u >> 16);
        at[1] = static_cast<uint8_t>(u >> 24);
        at[2] = static_cast<uint8_t>(u);
        at[3] = static_cast<uint8_t>(u >> 8);
    }
}

void Encoding::Int16(std::vector<uint8_t>& out, int value) const {
    uint8_t b[2];
    PutInt16(b, value);
    out.insert(out.end(), b, b + 2);
}

void Encoding::Float(std::vector<uint8_t>& out, float value) const {
    uint8_t b[4];
    PutFloat(b, value);
    out.insert(out.end(), b, b + 4);
}

void C3DFixture::Group(int id, const std::string& name, int distance) {
    records_.push_back(static_cast<uint8_t>(name.size()));
    records_.push_back(static_cast<uint8_t>(static_cast<int8_t>(-id)));
    records_.insert(records_.end(), name.begin(), name.end());
    enc.Int16(records_, distance < 0 ? 3 : distance);
    records_.push_back(0);
}

void C3DFixture::Raw(int group, const std::string& name, int type, const std::vector<int>& dims,
                     const std::vector<uint8_t>& data, bool locked) {
    const int length = static_cast<int>(name.size());
    records_.push_back(static_cast<uint8_t>(static_cast<int8_t>(locked ? -length : length)));
    records_.push_back(static_cast<uint8_t>(group));
    records_.insert(records_.end(), name.begin(), name.end());
    enc.Int16(records_, static_cast<int>(dims.size() + data.size() + 5));
    records_.push_back(static_cast<uint8_t>(static_cast<int8_t>(type)));
    records_.push_back(static_cast<uint8_t>(dims.size()));
    for (int d : dims) records_.push_back(static_cast<uint8_t>(d));
    records_.insert(records_.end(), data.begin(), data.end());
    records_.push_back(0);
}

void C3DFixture::Int16s(int group, const std::string& name, const std::vector<int>& values, std::vector<int> dims,
                        bool locked) {
    std::vector<uint8_t> data;
    for (int v : values) enc.Int16(data, v);
    if (dims.empty() && values.size() != 1) dims = {static_cast<int>(values.size())};
    Raw(group, name, 2, dims, data, locked);
}

void C3DFixture::Floats(int group, const std::string& name, const std::vector<float>& values, std::vector<int> dims) {
    std::vector<uint8_t> data;
    for (float v : values) enc.Float(data, v);
    if (dims.empty() && values.size() != 1) dims = {static_cast<int>(values.size())};
    Raw(group, name, 4, dims, data);
}

void C3DFixture::Text(int group, const std::string& name, const std::string& text) {
    Raw(group, name, -1, {static_cast<int>(text.size())}, std::vector<uint8_t>(text.begin(), text.end()));
}

void C3DFixture::Texts(int group, const std::string& name, const std::vector<std::string>& texts, int width) {
    std::vector<uint8_t> data;
    for (const std::string& t : texts) {
        std::string padded = t.substr(0, static_cast<size_t>(width));
        padded.resize(static_cast<size_t>(width), ' ');
        data.insert(data.end(), padded.begin(), padded.end());
    }
    Raw(group, name, -1, {width, static_cast<int>(texts.size())}, data);
}

void C3DFixture::StandardParameters() {
    Group(1, "POINT");
    Int16s(1, "USED", {points}, {}, true);
    Floats(1, "SCALE", {scale});
    Floats(1, "RATE", {rate});
    std::vector<std::string> labels;
    for (int p = 0; p < points; ++p) labels.push_back("PT" + std::to_string(p + 1));
    if (points > 0) Texts(1, "LABELS", labels, 4);
    Texts(1, "UNITS", {"mm"}, 2);
    Group(2, "ANALOG");
    Int16s(2, "USED", {channels}, {}, true);
    if (channels > 0) {
        std::vector<std::string> names;
        for (int c = 0; c < channels; ++c) names.push_back("CH" + std::to_string(c + 1));
        Texts(2, "LABELS", names, 4);
    }
}

std::vector<uint8_t> C3DFixture::Build() const {
    const bool integer = !(scale < 0);
    const size_t parameterBytes = 4 + records_.size() + 1;  // a zero byte ends the chain
    const int parameterBlocks = static_cast<int>((parameterBytes + 511) / 512);
    const int firstBlock = firstParameterBlock > 1 ? firstParameterBlock : 2;
    const int naturalStart = firstBlock + parameterBlocks + extraParameterBlocks;
    const int frames = dataFrames >= 0 ? dataFrames : lastFrame - firstFrame + 1;

    std::vector<uint8_t> file(static_cast<size_t>(naturalStart - 1) * 512, 0);
    uint8_t* h = file.data();
    h[0] = static_cast<uint8_t>(firstParameterBlock);
    h[1] = 0x50;
    enc.PutInt16(h + 2, points);
    enc.PutInt16(h + 4, channels * (samplesPerFrame ? samplesPerFrame : 1));
    enc.PutInt16(h + 6, firstFrame);
    enc.PutInt16(h + 8, lastFrame);
    enc.PutFloat(h + 12, scale);
    enc.PutInt16(h + 16, dataStart >= 0 ? dataStart : naturalStart);
    enc.PutInt16(h + 18, samplesPerFrame);
    enc.PutFloat(h + 20, rate);
    enc.PutInt16(h + 300, headerEventCount >= 0 ? headerEventCount : static_cast<int>(headerEvents.size()));
    for (size_t i = 0; i < headerEvents.size() && i < 18; ++i) {
        enc.PutFloat(h + 304 + 4 * i, headerEvents[i].first);
        std::memcpy(h + 396 + 4 * i, headerEvents[i].second.data(), headerEvents[i].second.size() < 4 ? headerEvents[i].second.size() : 4);
    }
    uint8_t* s = h + static_cast<size_t>(firstBlock - 1) * 512;
    s[2] = static_cast<uint8_t>(parameterBlockByte >= 0 ? parameterBlockByte : parameterBlocks);
    s[3] = static_cast<uint8_t>(processorByte >= 0 ? processorByte : 83 + enc.processor);
    std::memcpy(s + 4, records_.data(), records_.size());

    for (int f = 0; f < frames; ++f) {
        for (int p = 0; p < points; ++p) {
            const PointSample v = point(f, p);
            if (integer) {
                enc.Int16(file, static_cast<int>(v.x));
                enc.Int16(file, static_cast<int>(v.y));
                enc.Int16(file, static_cast<int>(v.z));
                enc.Int16(file, static_cast<int>(v.word));
            } else {
                enc.Float(file, v.x);
                enc.Float(file, v.y);
                enc.Float(file, v.z);
                enc.Float(file, v.word);
            }
        }
        for (int sIndex = 0; sIndex < samplesPerFrame; ++sIndex)
            for (int c = 0; c < channels; ++c) {
                const float a = analog(f, sIndex, c);
                if (integer) enc.Int16(file, static_cast<int>(a));
                else enc.Float(file, a);
            }
    }
    return file;
}

}  // namespace c3dtest
