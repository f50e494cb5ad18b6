#include "app/RecentFiles.h"

#include <algorithm>

bool RecentFiles::Add(const std::string& path) {
    if (path.empty()) return false;
    if (std::find(entries_.begin(), entries_.end(), path) != entries_.end()) return false;
    if (Count() >= kCapacity) entries_.erase(entries_.begin(), entries_.end() - (kCapacity - 1));
    entries_.push_back(path);
    return true;
}

const std::string& RecentFiles::At(int i) const {
    static const std::string none;
    return i >= 0 && i < Count() ? entries_[static_cast<size_t>(i)] : none;
}
