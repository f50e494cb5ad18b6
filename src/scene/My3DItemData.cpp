#include "scene/My3DItemData.h"

My3DItemData::My3DItemData(int32_t type_, int32_t index_, const wxString& name_, const wxString& third_,
                           const wxString& second_)
    : type(type_), index(index_), name(name_), second(second_), third(third_) {}

My3DItemData::~My3DItemData() = default;
