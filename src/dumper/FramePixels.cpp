#include "dumper/FramePixels.h"

#include <cstdint>

#include <GL/gl.h>

namespace {

// Errors queued by earlier calls would be taken for ours; a lost context can report errors
// forever, hence the bound.
void DiscardGLErrors() {
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

bool HasCurrentContext() { return glGetString(GL_VERSION) != nullptr; }

bool IsDoubleBuffered() {
    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    return doubleBuffered == GL_TRUE;
}

// Restores the read buffer it found, whatever happens to the read.
class ReadBufferGuard {
public:
    ReadBufferGuard() { glGetIntegerv(GL_READ_BUFFER, &previous_); }
    ~ReadBufferGuard() { glReadBuffer(static_cast<GLenum>(previous_)); }
    ReadBufferGuard(const ReadBufferGuard&) = delete;
    ReadBufferGuard& operator=(const ReadBufferGuard&) = delete;

private:
    GLint previous_ = GL_BACK;
};

// Tightly packed rows for the read, whatever alignment or row length the caller had set.
class PackStateGuard {
public:
    PackStateGuard() {
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        glPixelStorei(GL_PACK_SKIP_ROWS, 0);
        glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_PACK_SWAP_BYTES, GL_FALSE);
        glPixelStorei(GL_PACK_LSB_FIRST, GL_FALSE);
    }
    ~PackStateGuard() { glPopClientAttrib(); }
    PackStateGuard(const PackStateGuard&) = delete;
    PackStateGuard& operator=(const PackStateGuard&) = delete;
};

}  // namespace

std::size_t FrameByteCount(int width, int height) {
    if (width < 1 || height < 1) return 0;
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    if (pixels > SIZE_MAX / 4) return 0;
    return std::size_t(pixels) * 4;
}

bool CurrentContextHasStereo() {
    if (!HasCurrentContext()) return false;
    GLboolean stereo = GL_FALSE;
    glGetBooleanv(GL_STEREO, &stereo);
    return stereo == GL_TRUE;
}

bool ReadFramePixels(int width, int height, FrameBuffer buffer, unsigned char* rgba) {
    if (!rgba || FrameByteCount(width, height) == 0 || !HasCurrentContext()) return false;
    DiscardGLErrors();
    ReadBufferGuard readBuffer;
    switch (buffer) {
    case FrameBuffer::Current:
        break;
    case FrameBuffer::Drawn: {
        GLint drawn = GL_BACK;
        glGetIntegerv(GL_DRAW_BUFFER, &drawn);
        glReadBuffer(static_cast<GLenum>(drawn));
        break;
    }
    case FrameBuffer::Left:
        glReadBuffer(IsDoubleBuffered() ? GL_BACK_LEFT : GL_FRONT_LEFT);
        break;
    case FrameBuffer::Right:
        glReadBuffer(IsDoubleBuffered() ? GL_BACK_RIGHT : GL_FRONT_RIGHT);
        break;
    }
    if (glGetError() != GL_NO_ERROR) return false;
    {
        PackStateGuard pack;
        glFinish();
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    }
    return glGetError() == GL_NO_ERROR;
}
