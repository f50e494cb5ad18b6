// Hit processing on hand-made selection buffers: which record decides, buffers that end early or
// overflowed, element numbers that belong to nothing, and what each pick mode does with a hit.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "view/PickProcessing.h"

namespace {

// One hit record: name count, two depths, the names.
void AddRecord(std::vector<std::uint32_t>& buffer, const std::vector<std::uint32_t>& names) {
    buffer.push_back(static_cast<std::uint32_t>(names.size()));
    buffer.push_back(0x1000);
    buffer.push_back(0x2000);
    buffer.insert(buffer.end(), names.begin(), names.end());
}

TEST(FindPickHit, RecordsAndBuffers) {
    const struct {
        const char* what;
        std::vector<std::vector<std::uint32_t>> records;
        int hits;  // -2: the number of records
        int element, handle;
    } cases[] = {
        {"no hit", {}, 0, 0, 0},
        {"overflowed buffer", {{1, 5}}, -1, 0, 0},
        {"one marker", {{1, 5}}, -2, 5, 0},
        {"a manipulator handle", {{1, 5, 3}}, -2, 5, 3},
        {"the last record wins", {{1, 5}, {1, 8}}, -2, 8, 0},
        {"a handle never outlives its record", {{1, 5, 3}, {1, 8}}, -2, 8, 0},
        {"a later handle comes with its element", {{1, 5}, {1, 8, 6}}, -2, 8, 6},
        {"records naming no element decide nothing", {{1, 5, 4}, {1}, {}}, -2, 5, 4},
        {"only the object's name", {{1}}, -2, 0, 0},
        {"a model item", {{1, 100003}}, -2, 100003, 0},
        {"names past the int range", {{1, 0x80000000u}}, -2, -1, 0},
        {"fewer records than hits", {{1, 5}}, 4, 5, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint32_t> buffer;
        for (const auto& names : c.records) AddRecord(buffer, names);
        const int hits = c.hits == -2 ? static_cast<int>(c.records.size()) : c.hits;
        const PickHit hit = FindPickHit(hits, buffer.data(), buffer.size());
        EXPECT_EQ(hit.element, c.element);
        EXPECT_EQ(hit.handle, c.handle);
    }
}

TEST(FindPickHit, NeverReadsPastTheBuffer) {
    // The second record claims more names than the buffer holds; the walk stops before it. The
    // vector is exactly as long as the readable part, so ASan sees any read beyond.
    std::vector<std::uint32_t> buffer;
    AddRecord(buffer, {1, 7});
    buffer.insert(buffer.end(), {40, 0, 0, 1, 9});
    PickHit hit = FindPickHit(2, buffer.data(), buffer.size());
    EXPECT_EQ(hit.element, 7);

    // A header cut short.
    buffer.resize(5 + 2);
    hit = FindPickHit(2, buffer.data(), buffer.size());
    EXPECT_EQ(hit.element, 7);

    // A huge name count must not wrap the position around.
    std::vector<std::uint32_t> wrap = {0xFFFFFFFFu, 0, 0, 1, 2};
    hit = FindPickHit(1, wrap.data(), wrap.size());
    EXPECT_EQ(hit.element, 0);

    EXPECT_EQ(FindPickHit(3, nullptr, 0).element, 0);
    EXPECT_EQ(FindPickHit(INT_MAX, buffer.data(), 0).element, 0);
}

TEST(FindPickHit, FullBuffer) {
    // 2048 words exactly: 409 records of one marker each, the last naming marker 409.
    std::vector<std::uint32_t> buffer;
    for (std::uint32_t m = 1; m <= 409; ++m) AddRecord(buffer, {m, m});
    buffer.resize(kPickBufferSize, 0);
    const PickHit hit = FindPickHit(409, buffer.data(), buffer.size());
    EXPECT_EQ(hit.element, 409);
}

TEST(IsPickableElement, Ranges) {
    const struct {
        int element;
        bool pickable;
    } cases[] = {{INT_MIN, false}, {-1, false},   {0, false},      {1, true},
                 {999, true},      {1000, false}, {99999, false},  {100000, true},
                 {100001, true},   {INT_MAX, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.element);
        EXPECT_EQ(IsPickableElement(c.element), c.pickable);
    }
}

TEST(ProcessPick, ByModeAndKeys) {
    struct Expect {
        bool clear, select, manipulate, highlight;
        int element, handle;
        bool update, clearTip;
    };
    const struct {
        const char* what;
        PickContext context;
        PickHit hit;
        Expect expect;
    } cases[] = {
        // hits, mode, keep, alt, ctrl, move enabled
        {"left click replaces the selection", {1, kPickLeft, false, false, false, false}, {5, 0},
         {true, true, false, false, 5, -1, true, false}},
        {"Ctrl+left click adds to it", {1, kPickLeft, true, false, true, false}, {5, 0},
         {false, true, false, false, 5, -1, true, false}},
        {"double click selects", {1, kPickDoubleClick, false, false, false, false}, {5, 0},
         {true, true, false, false, 5, -1, true, false}},
        {"right click keeps the selection", {1, kPickRight, true, false, false, false}, {5, 0},
         {false, true, false, false, 5, -1, true, false}},
        {"right click manipulates when the shell allows", {1, kPickRight, true, false, false, true},
         {5, 0}, {false, true, true, false, 5, -1, true, false}},
        {"Alt+left click manipulates when allowed", {1, kPickLeft, false, true, false, true},
         {5, 0}, {true, true, true, false, 5, -1, true, false}},
        {"Alt+left click without leave to move", {1, kPickLeft, false, true, false, false}, {5, 0},
         {true, true, false, false, 5, -1, true, false}},
        {"a model item", {1, kPickLeft, false, false, false, false}, {100002, 0},
         {true, true, false, false, 100002, -1, true, false}},
        {"the Y arrow", {1, kPickLeft, false, false, false, false}, {5, 3},
         {true, true, false, false, 5, 1, true, false}},
        {"the last ring", {1, kPickRight, true, false, false, false}, {5, 7},
         {false, true, false, false, 5, 5, true, false}},
        {"no handle past the rings", {1, kPickLeft, false, false, false, false}, {5, 8},
         {true, true, false, false, 5, -1, true, false}},
        {"hover highlights", {1, kPickHover, true, false, false, false}, {5, 3},
         {false, false, false, true, 5, -1, false, false}},
        {"a drag highlights", {1, kPickDrag, true, false, false, false}, {100001, 0},
         {false, false, false, true, 100001, -1, false, false}},
        {"middle button does nothing more", {1, kPickMiddle, true, false, false, false}, {5, 0},
         {false, false, false, false, 5, -1, false, false}},
        {"element 0", {1, kPickLeft, false, false, false, false}, {0, 0},
         {true, false, false, false, 0, -1, false, false}},
        {"an element nobody owns", {2, kPickLeft, true, false, true, false}, {1500, 3},
         {false, false, false, false, 0, -1, false, false}},
        {"a click on empty space", {0, kPickLeft, false, false, false, false}, {0, 0},
         {false, false, false, false, 0, -1, false, true}},
        {"a double click on empty space", {0, kPickDoubleClick, false, false, false, false}, {0, 0},
         {true, false, false, false, 0, -1, true, true}},
        {"Ctrl+double click on empty space", {0, kPickDoubleClick, true, false, true, false},
         {0, 0}, {false, false, false, false, 0, -1, false, true}},
        {"an overflowed buffer", {-1, kPickDoubleClick, false, false, false, false}, {7, 0},
         {true, false, false, false, 0, -1, true, true}},
        {"hover over empty space", {0, kPickHover, true, false, false, false}, {0, 0},
         {false, false, false, false, 0, -1, false, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PickResult r = ProcessPick(c.context, c.hit);
        EXPECT_EQ(r.clearSelection, c.expect.clear);
        EXPECT_EQ(r.select, c.expect.select);
        EXPECT_EQ(r.manipulate, c.expect.manipulate);
        EXPECT_EQ(r.highlight, c.expect.highlight);
        if (r.select || r.highlight) {
            EXPECT_EQ(r.element, c.expect.element);
        }
        EXPECT_EQ(r.activeHandle, c.expect.handle);
        EXPECT_EQ(r.updateOwner, c.expect.update);
        EXPECT_EQ(r.clearToolTip, c.expect.clearTip);
    }
}

}  // namespace
