// The popup menu's items for each kind of scene and selection: order, separators, command ids and
// the texts, and the marker indices taken from a selection list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "view/PopupMenuItems.h"

namespace {

// "id text" per item, "-" per separator.
std::vector<std::string> Describe(const std::vector<PopupMenuItem>& items) {
    std::vector<std::string> out;
    for (const PopupMenuItem& item : items)
        out.push_back(item.IsSeparator() ? "-"
                                         : std::to_string(item.id) + " " + item.text + item.name +
                                               item.suffix);
    return out;
}

const std::vector<std::string> kAxisItems = {
    "10999 Change Vertical axis Ox Rotation", "11000 Change Vertical axis Oy Rotation",
    "11001 Change Vertical axis Oz Rotation", "-", "11002 Reset Vertical axis", "-"};
const std::vector<std::string> kViewItems = {
    "11003 Reset View", "-",
    "11004 Front View", "11009 Back View", "11005 Left View", "11006 Right View", "11007 Top View",
    "11008 Bottom View", "-", "11012 Copy Image to the clipboard"};

std::vector<std::string> Join(std::vector<std::string> head,
                              const std::vector<std::vector<std::string>>& rest) {
    for (const auto& part : rest) head.insert(head.end(), part.begin(), part.end());
    return head;
}

TEST(PopupMenuItems, BySceneAndSelection) {
    PopupMenuContext none;

    PopupMenuContext mesh;
    mesh.hasObject = true;

    PopupMenuContext empty;
    empty.hasObject = empty.isRecording = true;

    PopupMenuContext one = empty;
    one.markers = {4};
    one.firstMarkerName = "M1";
    one.hasCentre = true;

    PopupMenuContext two = one;
    two.markers = {4, 0};

    PopupMenuContext unnamed = one;
    unnamed.firstMarkerName = "";
    unnamed.hasCentre = false;

    PopupMenuContext followed = empty;
    followed.referenceMarker = 2;
    followed.referenceName = "RASI";

    PopupMenuContext meshWithCentre = mesh;
    meshWithCentre.hasCentre = true;

    const struct {
        const char* what;
        PopupMenuContext context;
        std::vector<std::string> items;
    } cases[] = {
        {"no object", none, kViewItems},
        {"an object that is no recording", mesh, Join({}, {kAxisItems, kViewItems})},
        {"a recording, nothing selected", empty, Join({}, {kAxisItems, kViewItems})},
        {"one marker selected",
         one,
         Join({"11013 And marker(s) to the display list", "-", "7006 Follow <M1> Position",
               "7007 Freeze <M1> Position", "11015 Center View", "-"},
              {kAxisItems, kViewItems})},
        {"two markers selected",
         two,
         Join({"11013 And marker(s) to the display list",
               "11014 And markers and link to the display list", "-", "11015 Center View", "-"},
              {kAxisItems, kViewItems})},
        {"a marker without a name",
         unnamed,
         Join({"11013 And marker(s) to the display list", "-"}, {kAxisItems, kViewItems})},
        {"a followed marker", followed, Join({"7008 Free <RASI> Position"}, {kAxisItems, kViewItems})},
        {"a centre outside a recording", meshWithCentre,
         Join({"11015 Center View", "-"}, {kAxisItems, kViewItems})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Describe(BuildPopupMenuItems(c.context)), c.items);
    }
}

TEST(PopupMenuItems, MarkerNamesStayApartFromTheTranslatedPieces) {
    PopupMenuContext c;
    c.hasObject = c.isRecording = true;
    c.markers = {0};
    c.firstMarkerName = "L.Knee";
    const std::vector<PopupMenuItem> items = BuildPopupMenuItems(c);
    ASSERT_GE(items.size(), 4u);
    EXPECT_EQ(items[2].id, kCmdFollow);
    EXPECT_EQ(items[2].text, "Follow <");
    EXPECT_EQ(items[2].name, "L.Knee");
    EXPECT_EQ(items[2].suffix, "> Position");
    EXPECT_EQ(items[3].text, "Freeze <");
    EXPECT_EQ(items[0].name, "");
    EXPECT_EQ(items[0].suffix, "");
}

TEST(SelectedMarkerIndices, DropsModelItemsAndGaps) {
    const struct {
        std::vector<int> selection, markers;
    } cases[] = {
        {{}, {}},
        {{3, 0, 7}, {3, 0, 7}},
        {{3, -1, 100002, 0}, {3, 0}},
        {{100000, 100004}, {}},
        {{-1, -1}, {}},
        {{99999}, {99999}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.selection));
        EXPECT_EQ(SelectedMarkerIndices(c.selection), c.markers);
    }
}

}  // namespace
