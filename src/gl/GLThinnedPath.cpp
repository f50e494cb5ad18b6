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

}  // namespace

void GLThinnedPath::Thin(const double (&matrix)[16], const int (&viewport)[4]) {
    m_lines.clear();
    const auto emit = [this](const float* a, const float* b) {
        m_lines.insert(m_lines.end(), a, a + 3);
        m_lines.insert(m_lines.end(), b, b + 3);
    };
    uint32_t begin = 0;
    for (const uint32_t end : m_runEnds) {
        const float* kept = &m_points[3 * size_t(begin)];
        Screen keptAt = Project(kept, matrix, viewport);
        for (uint32_t i = begin + 1; i < end; ++i) {
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
