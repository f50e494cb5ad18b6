#include "motion/C3DParameters.h"

#include <cmath>
#include <cstring>
#include <iostream>
#include <new>
#include <string>

#include "motion/C3DFormat.h"
#include "motion/TC3DData.h"
#include "platform/ByteReader.h"
#include "platform/TextUtil.h"

TC3DParameter::~TC3DParameter() {
    delete[] name;
    delete[] bytes;
    delete[] chars;
    delete[] words;
    delete[] reals;
}

const char* TC3DParameter::Text() const {
    if (type == -1) return chars;
    if (type == 1) return reinterpret_cast<const char*>(bytes);
    return nullptr;
}

double TC3DParameter::Number(int32_t i) const {
    if (i < 0 || i >= elementCount) return 0.0;
    switch (type) {
        case 4:
            return reals ? reals[i] : 0.0;
        case 2:
            return words ? words[i] : 0.0;
        case 1:
            return bytes ? bytes[i] : 0.0;
        case -1:
            return chars ? static_cast<uint8_t>(chars[i]) : 0.0;
        default:
            return 0.0;
    }
}

int32_t TC3DParameter::Integer(int32_t i, bool asUnsigned) const {
    if (i < 0 || i >= elementCount) return 0;
    if (type == 2 && words) return asUnsigned ? static_cast<uint16_t>(words[i]) : words[i];
    const double v = Number(i);
    // Reals that do not fit (or are not numbers) give the nearest representable integer, 0 for NaN.
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

TC3DGroup::~TC3DGroup() {
    delete[] name;
    for (TC3DParameter* p : parameters) delete p;
}

TC3DParameter* TC3DGroup::FindParameter(const char* parameterName) const {
    if (!parameterName) return nullptr;
    for (int32_t i = 0; i < parameterCount; ++i) {
        if (parameters[i] && parameters[i]->name && dez::EqualsNoCase(parameters[i]->name, parameterName))
            return parameters[i];
    }
    return nullptr;
}

TC3DGroup* TC3DData::FindGroup(const char* name) const {
    if (!name) return nullptr;
    for (int32_t i = 0; i < groupCount; ++i) {
        if (groups[i] && groups[i]->name && dez::EqualsNoCase(groups[i]->name, name)) return groups[i];
    }
    return nullptr;
}

const char* TC3DData::GetGroupName(int32_t number) const {
    const int32_t id = number < 0 ? -number : number;
    for (int32_t i = 0; i < groupCount; ++i) {
        if (groups[i] && groups[i]->id == id) return groups[i]->name ? groups[i]->name : "NULL";
    }
    return "NULL";
}

TC3DGroup* TC3DData::AddGroup(const char* name, int32_t number, bool locked) {
    if (groupCount >= kMaxGroups) return nullptr;
    auto* group = new TC3DGroup();
    group->id = number < 0 ? -number : number;
    group->locked = locked;
    ReplaceText(group->name, name ? name : "");
    groups[groupCount++] = group;
    return group;
}

void TC3DData::FreeGroups() {
    for (int32_t i = 0; i < groupCount && i <= kMaxGroups; ++i) {
        delete groups[i];
        groups[i] = nullptr;
    }
    groupCount = 0;
}

namespace {

bool Is(const char* a, const char* b) { return dez::EqualsNoCase(a, b); }

// The text of `width` characters at `at`, ended at its first NUL, without trailing bytes that are
// not above 32 as signed 8-bit values (blanks, control characters and bytes 128-255).
std::string CutText(const char* at, int32_t width) {
    int32_t n = 0;
    while (n < width && at[n] != '\0') ++n;
    while (n > 0 && static_cast<signed char>(at[n - 1]) <= 32) --n;
    return std::string(at, static_cast<size_t>(n));
}

// Number of the bytes of a parameter's data: |type| x the sizes, saturated far above any file.
uint64_t DataSize(int type, const uint8_t* dims, int count) {
    uint64_t size = static_cast<uint64_t>(type < 0 ? -type : type);
    for (int i = 0; i < count; ++i) {
        size *= dims[i];
        if (size > (uint64_t{1} << 40)) return uint64_t{1} << 40;
    }
    return size;
}

// Parameters of the groups whose values the data section depends on are kept locked.
bool KeptLocked(const char* group, const char* name) {
    if (!Is(group, "POINT") && !Is(group, "ANALOG") && !Is(group, "FORCE_PLATFORM")) return false;
    for (const char* fixed : {"FRAMES", "USED", "GEN_SCALE", "RATE", "SCALE", "OFFSET", "TYPE"})
        if (Is(name, fixed)) return true;
    return false;
}

void ReplaceList(LabelledItemList*& field, LabelledItemList* list) {
    delete field;
    field = list;
}

}  // namespace

bool TC3DData::ReadParameterRecord(dez::ByteReader& file) {
    int8_t nameLength = 0;
    if (!file.ReadI8(nameLength) || nameLength == 0) return false;
    if (static_cast<long>(file.pos()) >= gC3DDataOffset) return false;
    int8_t number = 0;
    // A length byte of -128 fills all 128 bytes: the name is bounded by its length, not by a NUL.
    char bytes[128] = {};
    const size_t length = static_cast<size_t>(nameLength < 0 ? -nameLength : nameLength);
    uint16_t distanceWord = 0;
    if (!file.ReadI8(number) || !file.ReadBytes(bytes, length) || !file.ReadU16LE(distanceWord)) return false;
    const std::string nameText = CutText(bytes, static_cast<int32_t>(length));
    const char* name = nameText.c_str();
    const auto distance = static_cast<uint16_t>(ConvertInt16(distanceWord, processor));
    const bool locked = nameLength < 0;
    if (number < 0) {
        AddGroup(name, number, locked);
        // Some writers end the chain with a group whose distance is 0 (or 1, which cannot be right):
        // the section ends there.
        if (distance < 2) return false;
        return file.Skip(distance - 2u);
    }
    const std::string upper = dez::ToUpperAscii(name);
    InterpretParameter(file, upper.c_str(), GetGroupName(number), locked);
    return file.ok();
}

void TC3DData::InterpretParameter(dez::ByteReader& file, const char* name, const char* groupName, bool locked) {
    int8_t type = 0;
    int8_t dimensionCount = 0;
    if (!file.ReadI8(type) || !file.ReadI8(dimensionCount)) return;
    // A negative count reads no sizes, like a count of 0.
    const int count = dimensionCount < 0 ? 0 : dimensionCount;
    uint8_t dims[256];
    std::memset(dims, 1, sizeof dims);
    if (!file.ReadBytes(dims, static_cast<size_t>(count))) return;
    const uint64_t size = count == 0 ? static_cast<uint64_t>(type < 0 ? -type : type) : DataSize(type, dims, count);
    // Data that would run past the parameter section end the walk.
    if (size > file.remaining()) {
        file.Skip(file.remaining() + 1);
        return;
    }
    const uint8_t* data = file.Peek(static_cast<size_t>(size));
    file.Skip(static_cast<size_t>(size));
    uint8_t descriptionLength = 0;
    if (file.ReadU8(descriptionLength)) {
        // The description is dropped; a short one just ends with the section.
        file.Skip(descriptionLength <= file.remaining() ? descriptionLength : file.remaining());
    }
    // Only the four C3D types have a place to live, and the kept record holds 8 sizes.
    const bool knownType = type == -1 || type == 1 || type == 2 || type == 4;
    if (size == 0 || !data || !knownType || count > 8) return;

    auto* parameter = new TC3DParameter();
    ReplaceText(parameter->name, name);
    parameter->type = type;
    parameter->dimensionCount = static_cast<int8_t>(count);
    for (int i = 0; i < 8; ++i) parameter->dims[i] = count == 0 ? (i == 0 ? 1 : 0) : (i < count ? dims[i] : 0);
    parameter->elementCount = static_cast<int32_t>(size / static_cast<uint64_t>(type < 0 ? -type : type));
    parameter->locked = locked || KeptLocked(groupName, name);
    const int32_t n = parameter->elementCount;
    switch (type) {
        case -1:
            parameter->chars = new char[static_cast<size_t>(n) + 1];
            std::memcpy(parameter->chars, data, static_cast<size_t>(n));
            parameter->chars[n] = '\0';
            break;
        case 1:
            parameter->bytes = new uint8_t[static_cast<size_t>(n) + 1];
            std::memcpy(parameter->bytes, data, static_cast<size_t>(n));
            parameter->bytes[n] = 0;
            break;
        case 2:
            parameter->words = new int16_t[static_cast<size_t>(n)];
            for (int32_t i = 0; i < n; ++i) parameter->words[i] = ConvertInt16(dez::LoadU16LE(data + 2 * i), processor);
            break;
        default:
            parameter->reals = new float[static_cast<size_t>(n)];
            for (int32_t i = 0; i < n; ++i) parameter->reals[i] = ConvertFloat32(data + 4 * i, processor);
            break;
    }
    parameter->extent[0] = count >= 1 ? dims[0] : 1;
    parameter->extent[1] = count >= 2 ? dims[1] : 1;
    parameter->extent[2] = count >= 3 ? dims[2] : 1;

    ApplyParameter(*parameter, groupName);

    TC3DGroup* group = Is(groupName, "NULL") ? nullptr : FindGroup(groupName);
    if (group) {
        group->parameters.push_back(parameter);
        group->parameterCount = static_cast<int32_t>(group->parameters.size());
    } else {
        delete parameter;
    }
}


void TC3DData::ApplyParameter(const TC3DParameter& p, const char* group) {
    const char* name = p.name;
    const int32_t dim1 = p.extent[0];
    const int32_t dim2 = p.extent[1];
    const int32_t dim3 = p.extent[2];
    const char* text = p.Text();
    auto unsignedWord = [&](int32_t i) { return p.Integer(i, true); };
    auto signedWord = [&](int32_t i) { return p.Integer(i, false); };
    auto real = [&](int32_t i) { return static_cast<float>(p.Number(i)); };

    if (Is(group, "POINT")) {
        if (Is(name, "LABELS")) {
            FillLabelList(text, dim1, dim2, group, name, &labelWidth);
        } else if (std::strncmp(name, "LABELS", 6) == 0) {
            // LABELS2, LABELS3 ... continue the list 255 labels at a time. Suffixes that do not
            // start with a digit, and continuations beyond the largest point count a header can
            // declare, are ignored.
            const int32_t m = LabelsContinuation(name);
            if (m >= 1 && (m - 1) * 255 < 65535) FillLabelList(text, dim1, dim2, group, name, &labelWidth);
        } else if (Is(name, "UNITS")) {
            FillLabelList(text, dim1, dim2, group, name, &unitWidth);
        } else if (Is(name, "DESCRIPTIONS")) {
            FillLabelList(text, dim1, dim2, group, name, &descriptionWidth);
        } else if (Is(name, "DATA_START")) {
            SetDataStart(static_cast<uint16_t>(unsignedWord(0)));
        } else if (Is(name, "SCALE")) {
            pointScale = real(0);
        } else if (Is(name, "ANGLES") || Is(name, "SCALARS") || Is(name, "POWERS") || Is(name, "FORCES") ||
                   Is(name, "MOMENTS") || Is(name, "REACTIONS")) {
            LabelledItemList** list = Is(name, "ANGLES")    ? &angles
                                      : Is(name, "SCALARS") ? &scalars
                                      : Is(name, "POWERS")  ? &powers
                                      : Is(name, "FORCES")  ? &forces
                                      : Is(name, "MOMENTS") ? &moments
                                                            : &reactions;
            if (!*list) *list = new LabelledItemList();
            // Only SCALARS widens the text width the model-output lists are written with.
            int32_t ignored = 0;
            AddCategoryLabels(*list, text, dim1, dim2, Is(name, "SCALARS") ? &modelOutputWidth : &ignored);
        } else if (Is(name, "MOVIE_DELAY")) {
            movieCount = dim1 < kMaxMovies ? dim1 : kMaxMovies;
            for (int32_t i = 0; i < movieCount; ++i) movieDelays[i] = real(i);
        } else if (Is(name, "MOVIE_ID")) {
            if (!text) return;
            movieCount = dim2 < kMaxMovies ? dim2 : kMaxMovies;
            const int32_t width = dim1 < 32 ? dim1 : 32;
            for (int32_t i = 0; i < movieCount; ++i) {
                std::memcpy(movieIds[i], text + static_cast<size_t>(i) * static_cast<size_t>(dim1),
                            static_cast<size_t>(width));
                for (int k = 31; k >= 1 && movieIds[i][k] == ' '; --k) movieIds[i][k] = '\0';
            }
        } else if (Is(name, "X_SCREEN") || Is(name, "Y_SCREEN")) {
            if (!text || dim1 == 0) return;
            char* field = Is(name, "X_SCREEN") ? xScreen : yScreen;
            // A one-character value gives a one-character axis rather than a byte from beyond it.
            const int32_t n = p.elementCount < 2 ? p.elementCount : 2;
            std::memcpy(field, text, static_cast<size_t>(n));
            field[n] = '\0';
        }
    } else if (Is(group, "ANALOG")) {
        const int32_t n = dim1 < kMaxAnalogFactors ? dim1 : kMaxAnalogFactors;
        if (Is(name, "LABELS")) {
            FillLabelList(text, dim1, dim2, group, name, &labelWidth);
        } else if (Is(name, "UNITS")) {
            FillLabelList(text, dim1, dim2, group, name, &unitWidth);
        } else if (Is(name, "DESCRIPTIONS")) {
            FillLabelList(text, dim1, dim2, group, name, &descriptionWidth);
        } else if (Is(name, "GEN_SCALE")) {
            if (real(0) != 0.0f) gAnalogGenScale = real(0);
        } else if (Is(name, "SCALE")) {
            for (int32_t i = 0; i < n; ++i) analogScale[i] = real(i);
        } else if (Is(name, "OFFSET")) {
            // Signed unless ANALOG:FORMAT says "UNSIGNED", which the reader settles after the walk
            // since FORMAT may come later.
            for (int32_t i = 0; i < n; ++i) analogOffset[i] = static_cast<float>(signedWord(i));
        } else if (Is(name, "GAIN")) {
            for (int32_t i = 0; i < n; ++i) {
                const int32_t gain = unsignedWord(i);
                analogGain[i] = gain == 0 ? 1.0f : static_cast<float>(gain);
            }
        } else if (Is(name, "TYPE")) {
            for (int32_t i = 0; i < n; ++i) analogType[i] = unsignedWord(i);
        } else if (Is(name, "FORMAT")) {
            if (text) analogUnsigned = dez::EqualsNoCase(CutText(text, p.elementCount), "UNSIGNED");
        }
    } else if (Is(group, "FORCE_PLATFORM")) {
        if (Is(name, "USED")) {
            const int32_t used = unsignedWord(0);
            plateCount = used < kMaxPlates ? used : kMaxPlates;
        } else if (Is(name, "TYPE")) {
            const int32_t n = dim1 < kMaxPlates ? dim1 : kMaxPlates;
            for (int32_t i = 0; i < n; ++i) plates[i].type = signedWord(i);
        } else if (Is(name, "CORNERS")) {
            const int32_t np = dim3 < kMaxPlates ? dim3 : kMaxPlates;
            for (int32_t q = 0; q < np; ++q)
                for (int32_t c = 0; c < dim2 && c < 4; ++c)
                    for (int32_t k = 0; k < dim1 && k < 3; ++k)
                        plates[q].corners[c][k] = real(k + dim1 * (c + dim2 * q));
        } else if (Is(name, "CHANNEL")) {
            const int32_t np = dim2 < kMaxPlates ? dim2 : kMaxPlates;
            for (int32_t q = 0; q < np; ++q)
                for (int32_t k = 0; k < dim1 && k < 8; ++k) plates[q].channels[k] = unsignedWord(k + dim1 * q);
        } else if (Is(name, "ORIGIN")) {
            const int32_t np = dim2 < kMaxPlates ? dim2 : kMaxPlates;
            for (int32_t q = 0; q < np; ++q)
                for (int32_t k = 0; k < dim1 && k < 3; ++k) plates[q].origin[k] = real(k + dim1 * q);
        } else if (Is(name, "ZERO")) {
            plateZero[0] = unsignedWord(0);
            if (p.elementCount > 1) plateZero[1] = unsignedWord(1);
        } else if (Is(name, "CAL_MATRIX")) {
            const int32_t matrices = dim3 < kMaxPlates ? dim3 : kMaxPlates;
            const int32_t values = dim1 * dim2;
            for (int32_t m = 0; m < matrices; ++m) {
                TForcePlate& slot = plates[m];
                slot.FreeCalibration();
                slot.calibration = new float[static_cast<size_t>(values)];
                for (int32_t i = 0; i < values; ++i) slot.calibration[i] = real(m * values + i);
                slot.calRows = dim1;
                slot.calCols = dim2;
            }
        }
    } else if (Is(group, "SUBJECTS")) {
        if (Is(name, "USES_PREFIXES")) {
            usesPrefixes = unsignedWord(0) != 0;
        } else if (Is(name, "USED")) {
            subjectsUsed = unsignedWord(0);
        } else if (Is(name, "NAMES")) {
            FillLabelList(text, dim1, dim2, group, name, &subjectWidth);
        }
    } else if (Is(group, "EVENT_CONTEXT")) {
        if (Is(name, "LABELS")) {
            FillLabelList(text, dim1, dim2, group, name, &labelWidth);
        } else if (Is(name, "DESCRIPTIONS")) {
            FillLabelList(text, dim1, dim2, group, name, &descriptionWidth);
        } else if (Is(name, "ICON_IDS")) {
            if (dim1 <= 0) return;
            delete[] contextIconIds;
            contextIconIds = new int32_t[static_cast<size_t>(dim1)];
            for (int32_t i = 0; i < dim1; ++i) contextIconIds[i] = unsignedWord(i);
            contextIconIdCount = dim1;
        } else if (Is(name, "COLOURS")) {
            if (dim1 <= 0 || dim2 <= 0) return;
            delete[] contextColours;
            contextColours = new uint8_t[static_cast<size_t>(dim2) * 3];
            // A context with fewer than three components gets 0 for the missing ones.
            for (int32_t c = 0; c < dim2; ++c)
                for (int32_t k = 0; k < 3; ++k)
                    contextColours[3 * c + k] =
                        k < dim1 ? static_cast<uint8_t>(unsignedWord(k + dim1 * c) & 0xFF) : uint8_t{0};
            contextColourCount = dim2;
        }
    } else if (Is(group, "EVENT")) {
        if (Is(name, "LABELS")) {
            FillLabelList(text, dim1, dim2, group, name, &labelWidth);
        } else if (Is(name, "CONTEXTS") || Is(name, "DESCRIPTIONS") || Is(name, "SUBJECTS")) {
            FillLabelList(text, dim1, dim2, group, name, &descriptionWidth);
            if (Is(name, "SUBJECTS") && verbose && eventSubjects) {
                for (int32_t i = 0; i < eventSubjects->count; ++i) std::cout << eventSubjects->items[i]->name << "\n";
            }
        } else if (Is(name, "TIMES")) {
            if (p.type != 4 || !p.reals) return;
            SetEventTimes(p.reals, dim1, dim2);
        } else if (Is(name, "ICON_IDS")) {
            if (dim1 <= 0) return;
            delete[] eventIconIds;
            eventIconIds = new int32_t[static_cast<size_t>(dim1)];
            for (int32_t i = 0; i < dim1; ++i) eventIconIds[i] = signedWord(i);
            eventIconIdCount = dim1;
        } else if (Is(name, "GENERIC_FLAGS")) {
            if (dim1 <= 0) return;
            delete[] eventGenericFlags;
            eventGenericFlags = new uint8_t[static_cast<size_t>(dim1)];
            for (int32_t i = 0; i < dim1; ++i) eventGenericFlags[i] = static_cast<uint8_t>(unsignedWord(i) & 0xFF);
            eventGenericFlagCount = dim1;
        }
    } else if (Is(group, "TRIAL")) {
        if (Is(name, "ACTUAL_START_FIELD") || Is(name, "ACTUAL_END_FIELD")) {
            // Two 16-bit words, low word first; a single word is the whole number.
            int32_t value;
            if (p.type == 2) {
                const uint32_t low = static_cast<uint16_t>(p.words[0]);
                const uint32_t high = p.elementCount > 1 ? static_cast<uint16_t>(p.words[1]) : 0u;
                const uint32_t bits = low | (high << 16);
                std::memcpy(&value, &bits, sizeof value);
            } else {
                value = signedWord(0);
            }
            (Is(name, "ACTUAL_START_FIELD") ? firstFrame : lastFrame) = value;
        }
    } else if (Is(group, "DFN")) {
        char** field = Is(name, "PRE_SCRIPT")    ? &dfnPreScript
                       : Is(name, "MODEL")       ? &dfnModel
                       : Is(name, "JOINT")       ? &dfnJoint
                       : Is(name, "IN3")         ? &dfnIn3
                       : Is(name, "POST_SCRIPT") ? &dfnPostScript
                                                 : nullptr;
        if (field && text) ReplaceText(*field, text);
    }
}

void TC3DData::FillLabelList(const char* data, int32_t width, int32_t count, const char* group, const char* parameter,
                             int32_t* widthField) {
    if (!data || count <= 0 || width <= 0) return;
    if (widthField && *widthField < width) *widthField = width;
    auto* list = new LabelledItemList();
    // All items are made first and placed in one go (Add regrows the list on every item).
    list->items = new LabelledItem*[static_cast<size_t>(count)];
    for (int32_t i = 0; i < count; ++i) {
        const std::string text = CutText(data + static_cast<size_t>(i) * static_cast<size_t>(width), width);
        list->items[i] = new LabelledItem(i + 1, text.c_str(), nullptr, -1);
        list->count = i + 1;
    }

    if (Is(group, "POINT")) {
        if (Is(parameter, "LABELS") || std::strncmp(parameter, "LABELS", 6) == 0) {
            int32_t first = 0;
            if (!Is(parameter, "LABELS")) {
                const int32_t m = LabelsContinuation(parameter);
                if (m < 1 || (m - 1) * 255 >= 65535) {
                    delete list;
                    return;
                }
                first = (m - 1) * 255;
            }
            if (!pointLabels) {
                // LABELS may start the list; a continuation needs the list it continues.
                if (first == 0) {
                    pointLabels = list;
                    return;
                }
            } else {
                for (int32_t i = 0; i < count; ++i) SetListItem(list->items[i]->name, first + i, pointLabels);
            }
        } else if (Is(parameter, "UNITS")) {
            ReplaceList(pointUnits, list);
            return;
        } else if (Is(parameter, "DESCRIPTIONS")) {
            ReplaceList(pointDescriptions, list);
            return;
        }
    } else if (Is(group, "ANALOG")) {
        LabelledItemList** field = Is(parameter, "LABELS")         ? &analogLabels
                                   : Is(parameter, "UNITS")        ? &analogUnits
                                   : Is(parameter, "DESCRIPTIONS") ? &analogDescriptions
                                                                   : nullptr;
        if (field) {
            ReplaceList(*field, list);
            return;
        }
    } else if (Is(group, "SUBJECTS")) {
        if (Is(parameter, "NAMES")) {
            ReplaceList(subjectNames, list);
            return;
        }
    } else if (Is(group, "EVENT_CONTEXT")) {
        LabelledItemList** field = Is(parameter, "LABELS")         ? &eventContextLabels
                                   : Is(parameter, "DESCRIPTIONS") ? &eventContextDescriptions
                                                                   : nullptr;
        if (field) {
            ReplaceList(*field, list);
            return;
        }
    } else if (Is(group, "EVENT")) {
        LabelledItemList** field = Is(parameter, "LABELS")         ? &events
                                   : Is(parameter, "CONTEXTS")     ? &eventContexts
                                   : Is(parameter, "DESCRIPTIONS") ? &eventDescriptions
                                   : Is(parameter, "SUBJECTS")     ? &eventSubjects
                                                                   : nullptr;
        if (field) {
            ReplaceList(*field, list);
            return;
        }
    }
    delete list;
}

bool TC3DData::AddCategoryLabels(LabelledItemList* list, const char* data, int32_t width, int32_t count,
                                 int32_t* widthField) {
    if (!data || !list || width <= 0) return false;
    if (widthField && *widthField < width) *widthField = width;
    for (int32_t i = 0; i < count; ++i) {
        const std::string text = CutText(data + static_cast<size_t>(i) * static_cast<size_t>(width), width);
        AddCategoryPoint(list, text.c_str(), nullptr, nullptr);
    }
    return true;
}

void TC3DData::SetDataStart(uint16_t block) {
    const long b = static_cast<long>(block) * 512;
    if (b != gC3DDataOffset + 512 && b == static_cast<long>(gC3DParameterEndBlock) * 512) gC3DDataOffset = b - 512;
}

void TC3DData::SetEventTimes(const float* values, int32_t dim1, int32_t count) {
    if (!values || dim1 != 2 || count <= 0) return;
    delete[] eventTimes;
    eventTimes = new double[static_cast<size_t>(count)];
    // Kept relative to the file's time 0; the reader rebases them on the first frame once the
    // whole parameter section is known.
    for (int32_t i = 0; i < count; ++i)
        eventTimes[i] = static_cast<double>(values[2 * i]) * 60.0 + static_cast<double>(values[2 * i + 1]);
    eventTimeCount = count;
}

bool TC3DData::PlateUsesCalibration(int32_t p) const {
    if (p < 0 || p >= plateCount || p >= kMaxPlates || plates[p].type != 4 || !analog) return false;
    const int32_t slot = plates[p].calibrationIndex;
    if (slot < 0 || slot >= kMaxPlates) return false;
    const TForcePlate& m = plates[slot];
    if (!m.calibration || m.calRows * m.calCols < 36) return false;
    const int32_t channelCount = analog->GetRows();
    for (int32_t k = 0; k < 6; ++k)
        if (plates[p].channels[k] < 1 || plates[p].channels[k] > channelCount) return false;
    return true;
}

void TC3DData::ApplyCalibration() {
    if (plateCount == 0 || !analog) return;
    const int32_t columns = analog->GetCols();
    const int32_t rows = analog->GetRows();
    double* data = analog->GetData();
    for (int32_t p = 0; p < plateCount && p < kMaxPlates; ++p) {
        if (plates[p].type != 4) continue;
        if (PlateUsesCalibration(p) && data) {
            const float* m = plates[plates[p].calibrationIndex].calibration;
            int32_t c[6];
            float factor[6];
            for (int32_t k = 0; k < 6; ++k) {
                c[k] = plates[p].channels[k] - 1;
                const float scale = c[k] < kMaxAnalogFactors ? analogScale[c[k]] : 1.0f;
                factor[k] = static_cast<float>(scale * gAnalogGenScale);
            }
            for (int32_t j = 0; j < columns; ++j) {
                double* column = data + static_cast<size_t>(j) * static_cast<size_t>(rows);
                float v[6];
                for (int32_t l = 0; l < 6; ++l) v[l] = static_cast<float>(column[c[l]]);
                for (int32_t r = 0; r < 6; ++r) {
                    float out = 0.0f;
                    for (int32_t l = 0; l < 6; ++l) out += v[l] * m[r + 6 * l];
                    column[c[r]] = out * factor[r];
                }
            }
        }
        plates[p].type = 2;
    }
}

void TC3DData::BuildEvents() {
    if (!events) return;
    const int32_t n = events->count;
    auto limit = [n](int32_t staged) { return staged < n ? staged : n; };
    if (eventIconIds) {
        for (int32_t i = 0; i < limit(eventIconIdCount); ++i) events->items[i]->value = eventIconIds[i];
    }
    delete[] eventIconIds;
    eventIconIds = nullptr;
    eventIconIdCount = 0;
    if (eventGenericFlags) {
        for (int32_t i = 0; i < limit(eventGenericFlagCount); ++i) events->items[i]->flag = eventGenericFlags[i];
    }
    delete[] eventGenericFlags;
    eventGenericFlags = nullptr;
    eventGenericFlagCount = 0;
    if (eventContexts) {
        for (int32_t i = 0; i < limit(eventContexts->count); ++i) {
            const char* context = eventContexts->items[i]->name;
            events->items[i]->SetContext(context, FindEventContext(context));
        }
        delete eventContexts;
        eventContexts = nullptr;
    }
    if (eventTimes) {
        for (int32_t i = 0; i < limit(eventTimeCount); ++i)
            events->items[i]->id = C3DFrameOfTime(pointRate, eventTimes[i]);
        delete[] eventTimes;
        eventTimes = nullptr;
    }
    if (eventDescriptions) {
        for (int32_t i = 0; i < limit(eventDescriptions->count); ++i)
            events->items[i]->SetDescription(eventDescriptions->items[i]->name);
        delete eventDescriptions;
        eventDescriptions = nullptr;
    }
    // The subjects also go to the events themselves so that a save writes them back.
    if (eventSubjects) {
        for (int32_t i = 0; i < limit(eventSubjects->count); ++i)
            CopyLabelText(events->items[i]->subject, eventSubjects->items[i]->name);
    }
}

bool TC3DData::GetMarkerSetNames(char* markerSet, char* displaySet, int32_t subject) {
    if (markerSet) markerSet[0] = '\0';
    if (displaySet) displaySet[0] = '\0';
    const TC3DGroup* group = FindGroup("SUBJECTS");
    const TC3DParameter* sets = group ? group->FindParameter("MARKER_SETS") : nullptr;
    if (!sets) return false;
    const int32_t width = sets->dims[0];
    const int32_t i = subject < 0 ? 0 : subject;
    // A text lies inside the parameter's data or is not there.
    auto copyText = [&](const TC3DParameter* from, char* out) {
        const char* text = from ? from->Text() : nullptr;
        if (!out || !text || width <= 0) return;
        const int64_t start = static_cast<int64_t>(i) * width;
        if (start + width > from->elementCount) return;
        const std::string cut = CutText(text + start, width).substr(0, 255);
        std::memcpy(out, cut.c_str(), cut.size() + 1);
    };
    copyText(sets, markerSet);
    copyText(group->FindParameter("DISPLAY_SETS"), displaySet);
    return true;
}
