#include "motion/LabelledItem.h"

#include <cstring>
#include <new>

#include "platform/TextUtil.h"

void CopyLabelText(char (&field)[256], const char* text) {
    if (!text) {
        field[0] = '\0';
        return;
    }
    size_t n = std::strlen(text);
    if (n > kLabelTextMax) n = kLabelTextMax;
    std::memcpy(field, text, n);
    field[n] = '\0';
}

LabelledItem::LabelledItem(int32_t itemId, const char* itemName, const char* itemContext, int32_t itemValue)
    : id(itemId), value(itemValue), flag(0), contextIndex(0) {
    name[0] = context[0] = description[0] = subject[0] = spare[0] = '\0';
    if (itemName) {
        CopyLabelText(name, itemName);
        CopyLabelText(description, itemName);
    } else {
        CopyLabelText(name, "Event");
    }
    if (itemContext) CopyLabelText(context, itemContext);
}

void LabelledItem::CopyFrom(const LabelledItem& other) {
    if (&other == this) return;
    id = other.id;
    value = other.value;
    std::memcpy(name, other.name, sizeof name);
    std::memcpy(context, other.context, sizeof context);
    std::memcpy(description, other.description, sizeof description);
    std::memcpy(subject, other.subject, sizeof subject);
    flag = other.flag;
    contextIndex = other.contextIndex;
}

void LabelledItem::CopyName(char* out) const {
    if (out) std::strcpy(out, name);
}

void LabelledItem::CopyName(char* out, int size) const {
    if (!out || size <= 0) return;
    size_t n = std::strlen(name);
    if (n >= static_cast<size_t>(size)) n = static_cast<size_t>(size) - 1;
    std::memcpy(out, name, n);
    out[n] = '\0';
}

void LabelledItem::SetContext(const char* text, int32_t index) {
    if (text && std::strlen(text) < 256) {
        std::strcpy(context, text);
    } else {
        context[0] = '\0';
    }
    contextIndex = index;
}

void LabelledItem::SetDescription(const char* text) {
    if (text && std::strlen(text) < 256) {
        std::strcpy(description, text);
    } else {
        description[0] = '\0';
    }
}

void LabelledItem::SetName(const char* text) { CopyLabelText(name, text ? text : "Event"); }

LabelledItemList::~LabelledItemList() { Clear(); }

LabelledItem* LabelledItemList::GetItem(int32_t index) const {
    if (!items || index < 0 || index >= count) return nullptr;
    return items[index];
}

bool LabelledItemList::Contains(const LabelledItem& item) const {
    for (int32_t i = 0; i < count; ++i) {
        const LabelledItem* it = items[i];
        if (it && it->id == item.id && dez::EqualsNoCase(it->name, item.name)) return true;
    }
    return false;
}

bool LabelledItemList::Place(LabelledItem* item, int32_t index) {
    // No spare capacity: lists are short and change rarely.
    LabelledItem** grown = new (std::nothrow) LabelledItem*[count + 1];
    if (!grown) return false;
    for (int32_t i = 0; i < index; ++i) grown[i] = items[i];
    grown[index] = item;
    for (int32_t i = index; i < count; ++i) grown[i + 1] = items[i];
    delete[] items;
    items = grown;
    ++count;
    return true;
}

bool LabelledItemList::Add(const LabelledItem& item) { return Insert(item, count); }

bool LabelledItemList::Insert(const LabelledItem& item, int32_t index) {
    if (Contains(item)) return false;
    if (index < 0) index = 0;
    if (index > count) index = count;
    LabelledItem* copy = new (std::nothrow) LabelledItem();
    if (!copy) return false;
    copy->CopyFrom(item);
    if (!Place(copy, index)) {
        delete copy;
        return false;
    }
    return true;
}

bool LabelledItemList::RemoveAt(int32_t index) {
    if (!items || index < 0 || index >= count) return false;
    LabelledItem* gone = items[index];
    if (count == 1) {
        delete[] items;
        items = nullptr;
        count = 0;
    } else {
        LabelledItem** shrunk = new (std::nothrow) LabelledItem*[count - 1];
        if (!shrunk) {
            // Keep the array; close the gap in place.
            for (int32_t i = index; i + 1 < count; ++i) items[i] = items[i + 1];
        } else {
            for (int32_t i = 0, j = 0; i < count; ++i) {
                if (i != index) shrunk[j++] = items[i];
            }
            delete[] items;
            items = shrunk;
        }
        --count;
    }
    delete gone;
    return true;
}

bool LabelledItemList::RemoveById(int32_t id) {
    for (int32_t i = 0; i < count; ++i) {
        if (items[i] && items[i]->id == id) return RemoveAt(i);
    }
    return false;
}

int32_t LabelledItemList::Find(const char* name) const {
    if (!name) return -1;
    for (int32_t i = 0; i < count; ++i) {
        if (items[i] && dez::EqualsNoCase(items[i]->name, name)) return i;
    }
    return -1;
}

bool LabelledItemList::SetName(int32_t index, const char* name) {
    LabelledItem* item = GetItem(index);
    if (!item) return false;
    item->SetName(name);
    return true;
}

void LabelledItemList::Clear() {
    for (int32_t i = 0; i < count; ++i) delete items[i];
    delete[] items;
    items = nullptr;
    count = 0;
}
