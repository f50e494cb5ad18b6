#include "C3DParameters.h"

#include <cstring>

#include "TC3DData.h"
#include "platform/TextUtil.h"

TC3DParameter::~TC3DParameter() {
    delete[] name;
    delete[] bytes;
    delete[] chars;
    delete[] words;
    delete[] reals;
}

TC3DGroup::~TC3DGroup() {
    delete[] name;
    for (int i = 0; i < parameterCount && i <= kMaxGroupParameters; ++i) delete parameters[i];
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
