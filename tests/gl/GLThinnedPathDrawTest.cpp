// Paths thinned to the view: every sample that shows, a line out to and back from the stretches
// beyond the view, and nothing across a gap, however long the stretch beyond the view.
#include "gl/GLThinnedPath.h"

#include <cmath>
#include <set>
#include <utility>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "support/GLFeedback.h"
#include "support/GLTestHarness.h"

namespace {

using testsupport::GLTest;

class ThinnedPath : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        if (HasFatalFailure()) return;
        w = gl().width();
        h = gl().height();
        ASSERT_GE(w, 100);
        ASSERT_GE(h, 200);
        // One unit a pixel.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, w, 0, h, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    int w = 0, h = 0;
};

// A zigzag in view, two pixels from one sample to the next; `row` lifts it clear of the others.
void InView(int i, int row, double p[3]) {
    p[0] = 20 + 2 * (i % 20);
    p[1] = 20 + 60 * row + 2 * ((i / 20) % 20);
    p[2] = 0;
}

TEST_F(ThinnedPath, LongStretchesBeyondTheViewBecomeOneLineOutAndOneBack) {
    GLThinnedPath path;
    path.Begin({1, 2, 3, 4, 5, 6});
    std::set<std::pair<int, int>> shown;  // window positions of the samples that show
    double p[3];
    // The view is reached again just after stretches that fill whole boxes of samples, of 256
    // and of 16384.
    // (Sample 49152 is i = 49162: the ten missing ones are no samples.)
    for (int i = 0; i < 49212; ++i) {
        if (i < 300 || (i >= 32768 && i < 33068) || i >= 49162) {
            InView(i, i < 300 ? 0 : i < 33068 ? 1 : 2, p);
            shown.insert({int(p[0]), int(p[1])});
        } else if (i < 32768) {
            p[0] = w + 50.0 + i;  // beyond the right side
            p[1] = 40 + (i % 7);
            p[2] = 0;
        } else if (i < 33078) {
            path.Gap();
            continue;
        } else {
            p[0] = -50.0 - i;  // beyond the left side
            p[1] = 40 + (i % 5);
            p[2] = 0;
        }
        path.Add(p[0], p[1], p[2]);
    }
    ASSERT_EQ(path.SampleCount(), 49202u);

    const FeedbackCounts fb = Feedback([&] { path.Draw(); });
    ASSERT_FALSE(fb.overflow);
    // 299 lines in view, out at 300 and back at 32768, 299 more to 33067; after the gap one line
    // in from the left at 49152 and 49 more.
    EXPECT_EQ(path.DrawnVertexCount(), 2u * (299 + 1 + 1 + 299 + 1 + 49));
    std::set<std::pair<int, int>> ends;
    int atRightEdge = 0, atLeftEdge = 0;
    for (size_t v = 0; v + 2 < fb.lineVertices.size(); v += 3) {
        const double x = fb.lineVertices[v], y = fb.lineVertices[v + 1];
        if (std::fabs(x - w) < 1) ++atRightEdge;
        if (std::fabs(x) < 1) ++atLeftEdge;
        ends.insert({int(std::lround(x)), int(std::lround(y))});
    }
    for (const auto& s : shown) EXPECT_EQ(ends.count(s), 1u) << s.first << " " << s.second;
    EXPECT_EQ(atRightEdge, 2);  // the line out and the line back, clipped
    EXPECT_EQ(atLeftEdge, 1);

    // Moved so that the right-hand stretch shows: thinned again for the new view.
    glTranslated(-w - 1000.0, 0, 0);
    Feedback([&] { path.Draw(); });
    EXPECT_GT(path.DrawnVertexCount(), 2u * 100);
}

}  // namespace
