#pragma once
// Parameter groups of a C3D file kept in memory so that a save can write back what the program
// does not interpret.
#include <cstdint>

constexpr int kMaxGroupParameters = 95;

struct TC3DParameter {
    TC3DParameter() = default;
    ~TC3DParameter();
    TC3DParameter(const TC3DParameter&) = delete;
    TC3DParameter& operator=(const TC3DParameter&) = delete;

    int32_t elementCount = 0;  // product of the dimension sizes
    char* name = nullptr;      // upper case
    int8_t type = 0;           // -1 character, 1 byte, 2 int16, 4 float
    uint8_t dims[8] = {};
    int8_t dimensionCount = 0;
    // Exactly one buffer is used, chosen by the type; 16- and 32-bit values are stored already
    // converted to the program's own number format.
    uint8_t* bytes = nullptr;
    char* chars = nullptr;
    int16_t* words = nullptr;
    float* reals = nullptr;
    bool locked = false;
};

struct TC3DGroup {
    TC3DGroup() = default;
    ~TC3DGroup();
    TC3DGroup(const TC3DGroup&) = delete;
    TC3DGroup& operator=(const TC3DGroup&) = delete;

    int32_t id = 0;  // group number without its sign
    bool locked = false;
    int32_t parameterCount = 0;
    char* name = nullptr;
    TC3DParameter* parameters[kMaxGroupParameters + 1] = {};
};
