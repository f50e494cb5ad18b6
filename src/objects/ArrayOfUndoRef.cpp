#include "objects/ArrayOfUndoRef.h"

#include <algorithm>

#include <wx/debug.h>

void ArrayOfUndoRef::Add(const UndoRecord& record, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) items_.push_back(std::make_unique<UndoRecord>(record));
}

void ArrayOfUndoRef::RemoveAt(std::size_t uiIndex, std::size_t n) {
    wxCHECK_RET(uiIndex < size(), "bad index in ArrayOfUndoRef::RemoveAt()");
    // A range running past the end stops at the end.
    const std::size_t count = std::min(n, size() - uiIndex);
    const auto first = items_.begin() + static_cast<std::ptrdiff_t>(uiIndex);
    items_.erase(first, first + static_cast<std::ptrdiff_t>(count));
}

void ArrayOfUndoRef::Clear() {
    items_.clear();
    items_.shrink_to_fit();
}
