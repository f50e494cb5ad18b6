#include "support/GLFeedback.h"

#include <GL/gl.h>

FeedbackCounts Feedback(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 21);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint size = glRenderMode(GL_RENDER);
    FeedbackCounts c;
    if (size < 0) {
        c.overflow = true;
        return c;
    }
    auto vertex = [&](GLint& at) {
        c.vertices.insert(c.vertices.end(), &buffer[at], &buffer[at] + 3);
        at += 3;
    };
    for (GLint at = 0; at < size;) {
        const int token = static_cast<int>(buffer[at++]);
        switch (token) {
        case GL_POINT_TOKEN:
            ++c.points;
            vertex(at);
            break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN:
            ++c.lines;
            c.lineVertices.insert(c.lineVertices.end(), &buffer[at], &buffer[at] + 6);
            vertex(at);
            vertex(at);
            break;
        case GL_POLYGON_TOKEN: {
            const int n = static_cast<int>(buffer[at++]);
            ++c.polygons;
            c.polygonVertices += n;
            for (int i = 0; i < n; ++i) vertex(at);
            break;
        }
        case GL_BITMAP_TOKEN:
            ++c.bitmaps;
            vertex(at);
            break;
        case GL_DRAW_PIXEL_TOKEN:
        case GL_COPY_PIXEL_TOKEN:
            vertex(at);
            break;
        case GL_PASS_THROUGH_TOKEN:
            ++at;
            break;
        default:
            c.overflow = true;  // unknown token: stop rather than misread
            return c;
        }
    }
    return c;
}
