#include "importers/LabelLists.h"

#include "motion/LabelledItem.h"
#include "motion/TC3DData.h"

LabelledItemList* MakeNamedList(const std::vector<std::string>& names, int32_t firstId) {
    LabelledItemList* list = TC3DData::MakeLabelList(static_cast<int32_t>(names.size()), nullptr);
    for (int32_t i = 0; i < list->count; ++i) {
        LabelledItem* item = list->GetItem(i);
        item->SetName(names[i].c_str());
        item->SetDescription(item->name);
        item->id = firstId + i;
    }
    return list;
}
