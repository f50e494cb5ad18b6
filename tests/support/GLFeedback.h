#pragma once
// GL feedback mode for counting what a drawing call emits (GL_3D vertices).
#include <functional>
#include <vector>

struct FeedbackCounts {
    int points = 0;
    int lines = 0;
    int polygons = 0;
    int polygonVertices = 0;
    int bitmaps = 0;
    bool overflow = false;
    std::vector<float> vertices;      // x, y, z window coordinates of every vertex, in order
    std::vector<float> lineVertices;  // the same, of line segments only
};

FeedbackCounts Feedback(const std::function<void()>& draw);
