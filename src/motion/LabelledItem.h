#pragma once
// Named items of the recording: labels, units, descriptions, events and event contexts.
#include <cstdint>

// Longest text a record holds; longer texts are cut to this length.
constexpr int kLabelTextMax = 255;

struct LabelledItem {
    // A null name gives the name "Event" and an empty description; otherwise the description
    // starts as a copy of the name.
    LabelledItem(int32_t id = 0, const char* name = nullptr, const char* context = nullptr, int32_t value = 0);

    void CopyFrom(const LabelledItem& other);
    void CopyName(char* out) const;
    // Copies the name into a buffer of `size` bytes, cut to fit.
    void CopyName(char* out, int size) const;
    int32_t GetId() const { return id; }
    // Texts of 256 characters or more leave the field empty; the context index is always stored.
    void SetContext(const char* text, int32_t index);
    void SetDescription(const char* text);
    void SetName(const char* text);

    char name[256];
    int32_t id;
    char context[256];
    char description[256];
    char subject[256];
    int32_t value;
    uint8_t flag;
    int32_t contextIndex;
    char spare[256];
};

// Copies `text` into a 256-byte record field, cutting it at 255 characters.
void CopyLabelText(char (&field)[256], const char* text);

class LabelledItemList {
public:
    LabelledItemList() = default;
    ~LabelledItemList();
    LabelledItemList(const LabelledItemList&) = delete;
    LabelledItemList& operator=(const LabelledItemList&) = delete;

    LabelledItem* GetItem(int32_t index) const;
    // True when an item has the same name (ASCII case ignored) and the same id.
    bool Contains(const LabelledItem& item) const;
    bool Add(const LabelledItem& item);
    // A negative index inserts at the front; an index at or past the end appends.
    bool Insert(const LabelledItem& item, int32_t index);
    bool RemoveAt(int32_t index);
    bool RemoveById(int32_t id);
    int32_t Find(const char* name) const;
    bool SetName(int32_t index, const char* name);
    void Clear();

    LabelledItem** items = nullptr;
    int32_t count = 0;

private:
    bool Place(LabelledItem* item, int32_t index);
};
