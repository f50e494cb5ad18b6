#include "model/MyVector.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(MyVector, ConstructionFillsOrStaysEmpty) {
    const MyVector filled(4, 2.5);
    ASSERT_EQ(filled.GetCount(), 4);
    EXPECT_EQ(filled.GetSize(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(filled[i], 2.5);
    const MyVector zeros(3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(zeros[i], 0.0);
    for (int count : {0, -5}) {
        const MyVector empty(count, 1.0);
        EXPECT_EQ(empty.GetCount(), 0);
        EXPECT_EQ(empty.Data(), nullptr);
    }
}

TEST(MyVector, AllocateAndClear) {
    MyVector v(2, 7.0);
    EXPECT_FALSE(v.Allocate(0, true));
    EXPECT_EQ(v.GetCount(), 0);
    EXPECT_EQ(v.Data(), nullptr);
    ASSERT_TRUE(v.Allocate(5, true));
    EXPECT_EQ(v.GetCount(), 5);
    EXPECT_EQ(v[4], 0.0);
    v.Clear();
    EXPECT_EQ(v.GetCount(), 0);
    v.Fill(3.0);  // nothing to fill
    EXPECT_EQ(v.Data(), nullptr);
}

TEST(MyVector, CopiesAreDeep) {
    const double source[] = {1.0, -2.0, 3.5};
    MyVector a;
    ASSERT_TRUE(a.SetFromArray(3, source));
    MyVector b;
    ASSERT_TRUE(b.SetFrom(a));
    MyVector c(a);
    MyVector d;
    d = a;
    a.Fill(9.0);
    for (const MyVector* copy : {&b, &c, &d}) {
        ASSERT_EQ(copy->GetCount(), 3);
        for (int i = 0; i < 3; ++i) EXPECT_EQ((*copy)[i], source[i]);
    }
    MyVector moved(std::move(c));
    EXPECT_EQ(moved.GetCount(), 3);
    EXPECT_EQ(c.GetCount(), 0);  // NOLINT(bugprone-use-after-move): a moved-from vector is empty
    EXPECT_FALSE(b.SetFrom(MyVector()));
    EXPECT_EQ(b.GetCount(), 0);
    EXPECT_FALSE(b.SetFromArray(3, nullptr));
}

}  // namespace
