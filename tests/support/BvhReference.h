#pragma once
// BVH helpers for the tests: small fixture files, and an independent reading of well-formed BVH
// text with forward kinematics as plain 4 x 4 matrix products, the reference the skeleton's
// quaternion poses are checked against.
#include <array>
#include <cmath>
#include <istream>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

// Hips > Spine > Head and Hips > LeftLeg, each leaf closed by an end site; the three rotation
// orders differ per joint. Three frames at 0.01 s.
inline const char* kBvhFigure =
    "HIERARCHY\n"
    "ROOT Hips\n"
    "{\n"
    "  OFFSET 0 0 0\n"
    "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
    "  JOINT Spine\n"
    "  {\n"
    "    OFFSET 0 5 0\n"
    "    CHANNELS 3 Xrotation Yrotation Zrotation\n"
    "    JOINT Head\n"
    "    {\n"
    "      OFFSET 0 4.5 0.5\n"
    "      CHANNELS 3 Yrotation Zrotation Xrotation\n"
    "      End Site\n"
    "      {\n"
    "        OFFSET 0 2 0\n"
    "      }\n"
    "    }\n"
    "  }\n"
    "  JOINT LeftLeg\n"
    "  {\n"
    "    OFFSET 2 -1 0\n"
    "    CHANNELS 3 Zrotation Yrotation Xrotation\n"
    "    End Site\n"
    "    {\n"
    "      OFFSET 0 -8 1\n"
    "    }\n"
    "  }\n"
    "}\n"
    "MOTION\n"
    "Frames: 3\n"
    "Frame Time: 0.01\n"
    "1 2 3 0 0 0 0 0 0 0 0 0 0 0 0\n"
    "1.5 2 2.5 10 20 30 -15 25 5 40 -10 20 5 -30 60\n"
    "2 2.5 2 30 -45 60 10 -20 35 -25 15 80 -60 10 -5\n";

struct RefJoint {
    std::string name;
    int parent = -1;
    double offset[3] = {0, 0, 0};
    std::vector<std::string> channels;
};

struct RefBvh {
    std::vector<RefJoint> joints;  // file order: parents before children, depth-first
    int frames = 0;
    double frameTime = 0;
    std::vector<double> values;  // every frame's channels in file order
    int channelCount = 0;
};

// Whitespace tokens with "." numbers; enough for the well-formed files the tests use.
inline RefBvh ReadRefBvh(const std::string& text) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    RefBvh bvh;
    std::vector<int> open;
    int declared = -1;
    std::string token;
    auto number = [&in] {
        std::string t;
        in >> t;
        std::istringstream s(t);
        s.imbue(std::locale::classic());
        double v = 0;
        s >> v;
        return v;
    };
    while (in >> token) {
        if (token == "ROOT" || token == "JOINT" || token == "End") {
            RefJoint j;
            in >> j.name;
            if (token == "End") j.name = bvh.joints[open.back()].name + "-EF";
            j.parent = open.empty() ? -1 : open.back();
            bvh.joints.push_back(j);
            declared = static_cast<int>(bvh.joints.size()) - 1;
        } else if (token == "{") {
            open.push_back(declared);
        } else if (token == "}") {
            open.pop_back();
        } else if (token == "OFFSET") {
            for (double& v : bvh.joints[open.back()].offset) v = number();
        } else if (token == "CHANNELS") {
            int n = 0;
            in >> n;
            for (int i = 0; i < n; ++i) {
                in >> token;
                bvh.joints[open.back()].channels.push_back(token);
            }
            bvh.channelCount += n;
        } else if (token == "Frames:") {
            in >> bvh.frames;
        } else if (token == "Time:") {
            bvh.frameTime = number();
            for (long i = 0; i < long(bvh.frames) * bvh.channelCount; ++i) bvh.values.push_back(number());
            break;
        }
    }
    return bvh;
}

using RefMatrix = std::array<double, 16>;  // row-major 4 x 4

inline RefMatrix RefMultiply(const RefMatrix& a, const RefMatrix& b) {
    RefMatrix c{};
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k)
            for (int col = 0; col < 4; ++col) c[4 * r + col] += a[4 * r + k] * b[4 * k + col];
    return c;
}

inline RefMatrix RefIdentity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

// Right-handed rotation about axis 0, 1 or 2 by degrees.
inline RefMatrix RefRotation(int axis, double degrees) {
    const double a = degrees * 3.14159265358979323846 / 180, c = std::cos(a), s = std::sin(a);
    RefMatrix m = RefIdentity();
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    m[4 * i + i] = c;
    m[4 * i + j] = -s;
    m[4 * j + i] = s;
    m[4 * j + j] = c;
    return m;
}

// World position of every joint at a frame. A joint's local matrix is the translation (its
// position channels when it has them, else its offset) times the rotations in the order the
// file lists them; its world matrix is its parent's times that.
inline std::vector<std::array<double, 3>> RefPositions(const RefBvh& bvh, int frame) {
    std::vector<RefMatrix> world(bvh.joints.size());
    std::vector<std::array<double, 3>> out;
    std::size_t column = static_cast<std::size_t>(frame) * bvh.channelCount;
    for (std::size_t k = 0; k < bvh.joints.size(); ++k) {
        const RefJoint& j = bvh.joints[k];
        double t[3] = {j.offset[0], j.offset[1], j.offset[2]};
        RefMatrix rotation = RefIdentity();
        for (const std::string& ch : j.channels) {
            const double v = bvh.values[column++];
            const int axis = ch[0] - 'X';
            if (ch.find("position") != std::string::npos)
                t[axis] = v;
            else
                rotation = RefMultiply(rotation, RefRotation(axis, v));
        }
        RefMatrix local = rotation;
        for (int i = 0; i < 3; ++i) local[4 * i + 3] = t[i];
        world[k] = j.parent < 0 ? local : RefMultiply(world[j.parent], local);
        out.push_back({world[k][3], world[k][7], world[k][11]});
    }
    return out;
}

}  // namespace testsupport
