#pragma once
// The recent-files list: full paths as they were opened, oldest first, newest last, each at most
// once (exact, case-sensitive comparison), never more than nine.
#include <string>
#include <vector>

class RecentFiles {
public:
    static constexpr int kCapacity = 9;

    // Appends the path unless it is empty or already listed (the order is then kept as it is);
    // when the list is full the oldest entry makes room. True when the path was appended.
    bool Add(const std::string& path);
    void Clear() { entries_.clear(); }

    int Count() const { return static_cast<int>(entries_.size()); }
    // Entry i (0 = oldest); "" outside the list.
    const std::string& At(int i) const;
    const std::vector<std::string>& Entries() const { return entries_; }

private:
    std::vector<std::string> entries_;
};
