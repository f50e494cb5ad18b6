#include "view/PickProcessing.h"

#include <climits>

PickHit FindPickHit(int hits, const std::uint32_t* buffer, std::size_t size) {
    PickHit found;
    if (buffer == nullptr || hits <= 0) return found;
    std::size_t at = 0;
    for (int record = 0; record < hits; ++record) {
        // Name count and the two depths.
        if (size - at < 3) break;
        const std::uint32_t n = buffer[at];
        const std::size_t names = at + 3;
        if (n > size - names) break;
        if (n >= 2) {
            const std::uint32_t element = buffer[names + 1];
            const std::uint32_t handle = n >= 3 ? buffer[names + 2] : 0;
            found.element = element <= INT_MAX ? static_cast<int>(element) : -1;
            found.handle = handle <= INT_MAX ? static_cast<int>(handle) : 0;
        }
        at = names + n;
    }
    return found;
}

bool IsPickableElement(int element) {
    return element > 0 && (element < 1000 || element >= kModelItemBase);
}

PickResult ProcessPick(const PickContext& context, const PickHit& hit) {
    PickResult result;
    if (context.hits <= 0) {
        // A double click on empty space empties the selection, unless Ctrl adds to it.
        if (context.mode == kPickDoubleClick && !context.controlDown) {
            result.clearSelection = true;
            result.updateOwner = true;
        }
        result.clearToolTip = true;
        return result;
    }
    result.clearSelection = !context.keepSelection;
    if (!IsPickableElement(hit.element)) return result;
    result.element = hit.element;
    switch (context.mode) {
        case kPickLeft:
        case kPickRight:
        case kPickDoubleClick:
            result.select = true;
            result.manipulate = (context.mode == kPickRight || context.altDown) &&
                                context.trajectoryMoveEnabled;
            result.updateOwner = true;
            // Names past the six handles are not handles.
            if (hit.handle >= 2 && hit.handle <= 7) result.activeHandle = hit.handle - 2;
            break;
        case kPickHover:
        case kPickDrag:
            result.highlight = true;
            break;
        default:
            break;
    }
    return result;
}
