#include "motion/Matrix2D.h"

#include <gtest/gtest.h>

namespace {

// Fills r x c with value 1000 * row + col so that moved rows are recognisable.
Matrix2D Numbered(int r, int c) {
    Matrix2D t(r, c);
    for (int col = 0; col < c; ++col)
        for (int row = 0; row < r; ++row) t.SetValue(row, col, 1000.0 * row + col);
    return t;
}

TEST(Matrix2D, EmptyConstructionsGiveEmptyTables) {
    const std::pair<int, int> sizes[] = {{0, 10}, {3, -1}, {-2, -2}, {0, 0}};
    for (auto [r, c] : sizes) {
        SCOPED_TRACE(testing::Message() << r << " x " << c);
        Matrix2D t(r, c);
        EXPECT_EQ(t.GetRows(), 0);
        EXPECT_EQ(t.GetCols(), 0);
        EXPECT_EQ(t.GetData(), nullptr);
        EXPECT_EQ(t.GetValue(0, 0), 0.0);
        t.SetValue(0, 0, 5.0);  // ignored
        EXPECT_EQ(t.GetData(), nullptr);
    }
}

TEST(Matrix2D, LinearIndexAccess) {
    Matrix2D t(3, 4);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(t.GetData()[i], 0.0);
    Matrix2D::SetValue(&t, 2, 1, 5.0);
    EXPECT_EQ(t.GetData()[5], 5.0);
    t.SetValue(0, 1, 7.0);
    EXPECT_EQ(Matrix2D::GetValue(&t, 3, 0), 7.0);  // row past the count reaches the next column
    EXPECT_EQ(Matrix2D::GetValue(&t, 0, 4), 0.0);  // linear index 12
    EXPECT_EQ(Matrix2D::GetValue(&t, -1, 0), 0.0);
    Matrix2D::SetValue(&t, 0, 4, 9.0);  // ignored
    Matrix2D::SetValue(&t, -4, 0, 9.0);
    for (int i = 0; i < 12; ++i) EXPECT_NE(t.GetData()[i], 9.0);
    EXPECT_EQ(Matrix2D::GetValue(nullptr, 0, 0), 0.0);
}

TEST(Matrix2D, ResizeFillCopy) {
    Matrix2D t = Numbered(3, 4);
    EXPECT_TRUE(t.Resize(2, 2, true));
    EXPECT_EQ(t.GetRows(), 2);
    EXPECT_EQ(t.GetValue(1, 1), 0.0);
    EXPECT_FALSE(t.Resize(0, 5, true));
    EXPECT_EQ(t.GetData(), nullptr);
    EXPECT_EQ(t.size, 0);

    Matrix2D a = Numbered(2, 3);
    a.Fill(1.5);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(a.GetData()[i], 1.5);

    Matrix2D b(Numbered(4, 2));
    EXPECT_EQ(b.GetValue(3, 1), 3001.0);
    Matrix2D empty;
    EXPECT_FALSE(b.CopyFrom(empty));
    EXPECT_EQ(b.GetRows(), 0);
    EXPECT_EQ(b.GetData(), nullptr);
    EXPECT_TRUE(b.CopyFrom(a));
    EXPECT_EQ(b.GetValue(1, 2), 1.5);
    EXPECT_NE(b.GetData(), a.GetData());  // deep copy
}

TEST(Matrix2D, AddRowsKeepsEveryColumn) {
    Matrix2D t = Numbered(6, 100);
    ASSERT_TRUE(t.AddRows(3));
    ASSERT_EQ(t.GetRows(), 9);
    ASSERT_EQ(t.GetCols(), 100);
    for (int c = 0; c < 100; ++c) {
        for (int r = 0; r < 6; ++r) ASSERT_EQ(t.GetValue(r, c), 1000.0 * r + c);
        for (int r = 6; r < 9; ++r) ASSERT_EQ(t.GetValue(r, c), 0.0);
    }
    EXPECT_FALSE(t.AddRows(-9));
    EXPECT_EQ(t.GetRows(), 9);
    ASSERT_TRUE(t.AddRows(-2));  // drops the last rows
    EXPECT_EQ(t.GetRows(), 7);
    EXPECT_EQ(t.GetValue(5, 99), 5099.0);
    Matrix2D empty;
    EXPECT_FALSE(empty.AddRows(2));
}

TEST(Matrix2D, RemoveRows) {
    Matrix2D t = Numbered(9, 100);
    ASSERT_TRUE(t.RemoveRows(3, 3));
    ASSERT_EQ(t.GetRows(), 6);
    const int kept[] = {0, 1, 2, 6, 7, 8};
    for (int c = 0; c < 100; ++c)
        for (int r = 0; r < 6; ++r) ASSERT_EQ(t.GetValue(r, c), 1000.0 * kept[r] + c);

    Matrix2D u = Numbered(9, 100);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(u.RemoveRows(0, 9));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Invalid col number\n");

    // Ranges outside the table are refused silently and leave it unchanged.
    const std::pair<int, int> refused[] = {{10, 1}, {9, 1}, {8, 2}, {-1, 1}, {2, 0}, {2, -1}};
    for (auto [first, n] : refused) {
        SCOPED_TRACE(testing::Message() << first << ", " << n);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(u.RemoveRows(first, n));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(u.GetRows(), 9);
        EXPECT_EQ(u.GetValue(8, 99), 8099.0);
    }
}

}  // namespace
