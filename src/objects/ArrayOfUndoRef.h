#pragma once
// The saved states of an object, newest last. The array owns its records (adding copies the
// given one) but never touches the temporary files they name.
#include <cstddef>
#include <memory>
#include <vector>

#include "objects/UndoRecord.h"

class ArrayOfUndoRef {
public:
    ArrayOfUndoRef() = default;
    ~ArrayOfUndoRef() { Clear(); }
    ArrayOfUndoRef(const ArrayOfUndoRef&) = delete;
    ArrayOfUndoRef& operator=(const ArrayOfUndoRef&) = delete;

    // Appends n separate copies of the record.
    void Add(const UndoRecord& record, std::size_t n = 1);
    // Deletes the records index ... index + n - 1 (as many as there are). An index at or past
    // the count is a caller's error: it raises a toolkit assertion and removes nothing.
    void RemoveAt(std::size_t uiIndex, std::size_t n = 1);
    void Clear();

    std::size_t GetCount() const { return items_.size(); }
    std::size_t size() const { return items_.size(); }
    bool IsEmpty() const { return items_.empty(); }
    // Valid indices only.
    UndoRecord& operator[](std::size_t i) { return *items_[i]; }
    const UndoRecord& operator[](std::size_t i) const { return *items_[i]; }
    UndoRecord& Last() { return *items_.back(); }

private:
    std::vector<std::unique_ptr<UndoRecord>> items_;
};
