#include "view/TimeDisplay.h"

#include <algorithm>

#include "motion/LabelledItem.h"
#include "motion/TC3DData.h"
#include "platform/NumberText.h"

std::string FormatTimeText(double time, int frame) {
    if (frame < 0) return dez::Format("%.3f (s)", time);
    return dez::Format("%.3f (s)  [%lld]", time, static_cast<long long>(frame) + 1);
}

namespace {

const char* FirstNameWithId(const LabelledItemList* list, int id) {
    if (list == nullptr || list->items == nullptr) return nullptr;
    for (int32_t i = 0; i < list->count; ++i) {
        const LabelledItem* item = list->items[i];
        if (item != nullptr && item->id == id) return item->name;
    }
    return nullptr;
}

void AppendIds(const LabelledItemList* list, std::vector<int>& out) {
    if (list == nullptr || list->items == nullptr) return;
    for (int32_t i = 0; i < list->count; ++i)
        if (list->items[i] != nullptr) out.push_back(list->items[i]->id);
}

}  // namespace

const char* EventLabelAt(const TC3DData& recording, int frame) {
    const char* name = FirstNameWithId(recording.events, frame);
    return name != nullptr ? name : FirstNameWithId(recording.headerEvents, frame);
}

std::vector<int> CollectEventFrames(const TC3DData& recording) {
    std::vector<int> frames;
    if (recording.GetHeaderEventCount() != 0) AppendIds(recording.headerEvents, frames);
    AppendIds(recording.events, frames);
    std::sort(frames.begin(), frames.end());
    return frames;
}

std::optional<int> NextEventFrame(const std::vector<int>& frames, int current, int last) {
    for (int f : frames)
        if (f > current && f <= last) return f;
    return std::nullopt;
}

std::optional<int> PreviousEventFrame(const std::vector<int>& frames, int current, int first) {
    for (auto it = frames.rbegin(); it != frames.rend(); ++it)
        if (*it < current && *it >= first) return *it;
    return std::nullopt;
}
