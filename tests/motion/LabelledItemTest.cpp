#include "motion/LabelledItem.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::vector<std::string> Names(const LabelledItemList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.count; ++i) out.emplace_back(list.GetItem(i)->name);
    return out;
}

TEST(LabelledItem, Construction) {
    LabelledItem unnamed(3, nullptr);
    EXPECT_STREQ(unnamed.name, "Event");
    EXPECT_STREQ(unnamed.description, "");
    LabelledItem heel(4, "Heel", "Left", 2);
    EXPECT_STREQ(heel.description, "Heel");
    EXPECT_STREQ(heel.context, "Left");
    EXPECT_EQ(heel.value, 2);
    EXPECT_EQ(heel.flag, 0);
    EXPECT_EQ(heel.contextIndex, 0);

    const std::string longName(300, 'x');
    LabelledItem cut(1, longName.c_str());
    EXPECT_EQ(std::string(cut.name), std::string(255, 'x'));
    EXPECT_EQ(std::string(cut.description), std::string(255, 'x'));

    char small[8];
    cut.CopyName(small, sizeof small);
    EXPECT_STREQ(small, "xxxxxxx");
}

TEST(LabelledItem, ContextAndDescriptionRefuseLongTexts) {
    LabelledItem item(1, "A");
    const std::string longText(300, 'c');
    item.SetContext(longText.c_str(), 7);
    EXPECT_STREQ(item.context, "");
    EXPECT_EQ(item.contextIndex, 7);
    item.SetContext("Right", 2);
    EXPECT_STREQ(item.context, "Right");
    item.SetDescription(longText.c_str());
    EXPECT_STREQ(item.description, "");
    item.SetDescription(nullptr);
    EXPECT_STREQ(item.description, "");
}

TEST(LabelledItemList, DuplicatesAreNameAndId) {
    LabelledItemList list;
    EXPECT_TRUE(list.Add(LabelledItem(1, "LASI")));
    EXPECT_FALSE(list.Add(LabelledItem(1, "LASI")));
    EXPECT_FALSE(list.Add(LabelledItem(1, "lasi")));
    EXPECT_TRUE(list.Add(LabelledItem(2, "LASI")));
    EXPECT_TRUE(list.Add(LabelledItem(1, "RASI")));
    EXPECT_EQ(list.count, 3);
    EXPECT_EQ(list.Find("rasi"), 2);
    EXPECT_EQ(list.Find("LASI"), 0);
    EXPECT_EQ(list.Find("nope"), -1);
    EXPECT_EQ(list.Find(nullptr), -1);
}

TEST(LabelledItemList, StoresCopies) {
    LabelledItemList list;
    LabelledItem item(5, "Foot Strike");
    list.Add(item);
    item.SetName("changed");
    EXPECT_STREQ(list.GetItem(0)->name, "Foot Strike");
    EXPECT_NE(list.GetItem(0), &item);
}

TEST(LabelledItemList, EventsRemovedById) {
    LabelledItemList list;
    list.Add(LabelledItem(120, "Foot Strike"));
    list.Add(LabelledItem(245, "Foot Strike"));
    EXPECT_EQ(list.count, 2);
    EXPECT_TRUE(list.RemoveById(245));
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.GetItem(0)->id, 120);
    EXPECT_FALSE(list.RemoveById(245));
}

TEST(LabelledItemList, InsertPositions) {
    LabelledItemList list;
    list.Add(LabelledItem(1, "A"));
    list.Add(LabelledItem(2, "B"));
    EXPECT_TRUE(list.Insert(LabelledItem(3, "new"), 0));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"new", "A", "B"}));
    EXPECT_TRUE(list.Insert(LabelledItem(4, "end"), 7));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"new", "A", "B", "end"}));
    EXPECT_TRUE(list.Insert(LabelledItem(5, "mid"), 2));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"new", "A", "mid", "B", "end"}));
    EXPECT_TRUE(list.Insert(LabelledItem(6, "front"), -3));
    EXPECT_EQ(list.GetItem(0)->id, 6);
    EXPECT_FALSE(list.Insert(LabelledItem(1, "a"), 0));  // duplicate of "A", 1
}

TEST(LabelledItemList, IndexEdges) {
    LabelledItemList list;
    EXPECT_EQ(list.GetItem(-1), nullptr);
    EXPECT_EQ(list.GetItem(0), nullptr);
    EXPECT_FALSE(list.RemoveAt(0));
    list.Add(LabelledItem(1, "A"));
    list.Add(LabelledItem(2, "B"));
    EXPECT_EQ(list.GetItem(list.count), nullptr);
    EXPECT_FALSE(list.RemoveAt(list.count));
    EXPECT_FALSE(list.RemoveAt(-1));
    EXPECT_TRUE(list.SetName(1, nullptr));
    EXPECT_STREQ(list.GetItem(1)->name, "Event");
    EXPECT_STREQ(list.GetItem(1)->description, "B");
    EXPECT_FALSE(list.SetName(2, "x"));
    EXPECT_TRUE(list.RemoveAt(0));
    EXPECT_TRUE(list.RemoveAt(0));
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.items, nullptr);
}

}  // namespace
