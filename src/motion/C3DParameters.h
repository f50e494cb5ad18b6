#pragma once
// Parameter groups of a C3D file kept in memory so that a save can write back what the program
// does not interpret.
#include <cstdint>
#include <vector>


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
    // The first three sizes as the file gave them, 1 where it gave fewer.
    int32_t extent[3] = {1, 1, 1};

    // The data as text (characters or bytes, NUL-terminated), null for numeric types.
    const char* Text() const;
    // Element i as a number whatever the stored type; 0 outside the data.
    double Number(int32_t i) const;
    // Element i as an integer: int16 values signed or as 0 ... 65535, reals truncated and clamped.
    int32_t Integer(int32_t i, bool asUnsigned) const;
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
    // Every parameter of the group that the file holds, in file order (owned).
    std::vector<TC3DParameter*> parameters;

    // First kept parameter of that name (ASCII case ignored), null when none.
    TC3DParameter* FindParameter(const char* parameterName) const;
};
