#include "gl/GLThinnedPath.h"

#include <algorithm>
#include <cmath>

#include <GL/gl.h>

void GLThinnedPath::Begin(const Key& key) {
    Clear();
    m_key = key;
    m_built = true;
}

void GLThinnedPath::Clear() {
    m_key = Key{};
    m_built = false;
    m_points.clear();
    m_points.shrink_to_fit();
    m_runEnds.clear();
    m_runOpen = false;
    m_lines.clear();
    m_thinned = false;
    for (auto& boxes : m_boxes) boxes.clear();
    m_boxedSamples = 0;
}

namespace {

struct Screen {
    double x = 0, y = 0;
    unsigned outside = 0;  // one bit per side of the view the point lies beyond
};

Screen Project(const float* p, const double (&m)[16], const int (&viewport)[4]) {
    const double cx = m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12];
    const double cy = m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13];
    const double cw = m[3] * p[0] + m[7] * p[1] + m[11] * p[2] + m[15];
    Screen s;
    if (!(cw > 0)) {
        s.outside = 16;  // behind the eye
        return s;
    }
    if (cx < -cw) s.outside |= 1;
    if (cx > cw) s.outside |= 2;
    if (cy < -cw) s.outside |= 4;
    if (cy > cw) s.outside |= 8;
    s.x = viewport[0] + (cx / cw * 0.5 + 0.5) * viewport[2];
    s.y = viewport[1] + (cy / cw * 0.5 + 0.5) * viewport[3];
    return s;
}

double Squared(double v) { return v * v; }

// Sides of the view that every point of the box lies beyond (16: behind the eye). Each side is
// a convex region of space, so the corners tell for the whole box; the small margin keeps
// rounding from claiming a point that lies on the edge.
unsigned BoxBeyond(const float* box, const double (&m)[16]) {
    unsigned common = 31;
    for (int c = 0; c < 8 && common; ++c) {
        const double x = box[c & 1 ? 3 : 0], y = box[c & 2 ? 4 : 1], z = box[c & 4 ? 5 : 2];
        const double cx = m[0] * x + m[4] * y + m[8] * z + m[12];
        const double cy = m[1] * x + m[5] * y + m[9] * z + m[13];
        const double cw = m[3] * x + m[7] * y + m[11] * z + m[15];
        const double margin = 1e-6 * (std::fabs(cx) + std::fabs(cy) + std::fabs(cw));
        unsigned bits = 0;
        if (cw < -margin) {
            bits = 16;
        } else if (cw > margin) {
            if (cx < -cw - margin) bits |= 1;
            if (cx > cw + margin) bits |= 2;
            if (cy < -cw - margin) bits |= 4;
            if (cy > cw + margin) bits |= 8;
        }
        common &= bits;
    }
    return common;
}

}  // namespace

void GLThinnedPath::UpdateBoxes() {
    const size_t n = SampleCount();
    if (m_boxedSamples == n) return;
    for (int level = 0; level < kLevels; ++level) {
        std::vector<float>& boxes = m_boxes[level];
        boxes.clear();
        // Level 0 bounds the samples; each level above bounds kBoxesPerBox boxes of the one below.
        const std::vector<float>* below = level ? &m_boxes[level - 1] : nullptr;
        const size_t items = level ? below->size() / 6 : n;
        const size_t group = level ? kBoxesPerBox : kBoxSamples;
        for (size_t first = 0; first < items; first += group) {
            const size_t last = std::min(items, first + group);
            float box[6] = {};
            for (size_t i = first; i < last; ++i)
                for (int k = 0; k < 3; ++k) {
                    const float lo = level ? (*below)[6 * i + k] : m_points[3 * i + k];
                    const float hi = level ? (*below)[6 * i + 3 + k] : m_points[3 * i + k];
                    box[k] = i == first ? lo : std::min(box[k], lo);
                    box[k + 3] = i == first ? hi : std::max(box[k + 3], hi);
                }
            boxes.insert(boxes.end(), box, box + 6);
        }
    }
    m_boxedSamples = n;
}

void GLThinnedPath::Thin(const double (&matrix)[16], const int (&viewport)[4]) {
    m_lines.clear();
    const auto emit = [this](const float* a, const float* b) {
        m_lines.insert(m_lines.end(), a, a + 3);
        m_lines.insert(m_lines.end(), b, b + 3);
    };
    // Stretches of the path beyond one side of the view are passed over a box at a time: a
    // turn or a moving reference re-thins an hour's path for the part that shows.
    UpdateBoxes();
    constexpr unsigned unknown = 32;
    for (int level = 0; level < kLevels; ++level) m_boxBeyond[level].assign(m_boxes[level].size() / 6, unknown);
    const auto beyond = [&](int level, size_t box) {
        unsigned& bits = m_boxBeyond[level][box];
        if (bits == unknown) bits = BoxBeyond(&m_boxes[level][6 * box], matrix);
        return bits;
    };
    uint32_t begin = 0;
    for (const uint32_t end : m_runEnds) {
        const float* kept = &m_points[3 * size_t(begin)];
        Screen keptAt = Project(kept, matrix, viewport);
        for (uint32_t i = begin + 1; i < end; ++i) {
            if (keptAt.outside) {
                // The kept point and the rest of a box beyond the same side: all merged, as one
                // by one below. The largest such box first.
                size_t skipTo = 0;
                for (int level = kLevels - 1; level >= 0 && !skipTo; --level) {
                    const size_t span = level ? kBoxSamples * kBoxesPerBox : kBoxSamples;
                    if (keptAt.outside & beyond(level, i / span)) skipTo = std::min<size_t>(end, (i / span + 1) * span);
                }
                if (skipTo) {
                    const uint32_t last = static_cast<uint32_t>(skipTo - 1);
                    kept = &m_points[3 * size_t(last)];
                    keptAt = Project(kept, matrix, viewport);
                    i = last;
                    continue;
                }
            }
            const float* p = &m_points[3 * size_t(i)];
            const Screen at = Project(p, matrix, viewport);
            if (keptAt.outside & at.outside) {
                // Both beyond the same side: the line between them cannot show.
                kept = p;
                keptAt = at;
                continue;
            }
            const bool last = i + 1 == end;
            const bool far = (keptAt.outside | at.outside) != 0 ||
                             Squared(at.x - keptAt.x) + Squared(at.y - keptAt.y) >= 1.0;
            if (!far && !last) continue;
            emit(kept, p);
            kept = p;
            keptAt = at;
        }
        begin = end;
    }
}

void GLThinnedPath::Draw() {
    if (m_points.empty()) return;
    double modelview[16], projection[16];
    int viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::array<double, 36> view{};
    std::copy(modelview, modelview + 16, view.begin());
    std::copy(projection, projection + 16, view.begin() + 16);
    std::copy(viewport, viewport + 4, view.begin() + 32);
    if (!m_thinned || view != m_thinnedFor) {
        double m[16];
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) {
                double s = 0;
                for (int k = 0; k < 4; ++k) s += projection[4 * k + r] * modelview[4 * c + k];
                m[4 * c + r] = s;
            }
        Thin(m, viewport);
        m_thinnedFor = view;
        m_thinned = true;
    }
    if (m_lines.empty()) return;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, m_lines.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(m_lines.size() / 3));
    glPopClientAttrib();
}
