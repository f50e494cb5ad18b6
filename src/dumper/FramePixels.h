#pragma once
// Reading the current GL frame back into memory, shared by the frame dumper and the canvas's
// image read-back. Everything here needs a current GL context.
#include <cstddef>

// Which colour buffer a read-back takes its pixels from.
enum class FrameBuffer {
    // The context's current read buffer, as the caller left it.
    Current,
    // The buffer drawing goes to (GL_DRAW_BUFFER): the back buffer of a double-buffered window
    // before the swap, an off-screen framebuffer's attachment while one is bound.
    Drawn,
    // The left or right buffer of a stereo context: the back ones when it is double-buffered.
    Left,
    Right,
};

// Reads width x height pixels as R, G, B, A bytes from window pixel (0, 0), rows bottom to top
// without padding, into `rgba`, which must hold width x height x 4 bytes. The read buffer and the
// pixel-store state are restored afterwards. Answers false, with `rgba` in an unspecified state,
// when a size is below 1, no context is current, or GL reports an error (for instance a buffer
// the context does not have).
bool ReadFramePixels(int width, int height, FrameBuffer buffer, unsigned char* rgba);

// True when the current context has left and right colour buffers.
bool CurrentContextHasStereo();

// Bytes of a width x height RGBA frame, or 0 when a size is below 1 or the product overflows.
std::size_t FrameByteCount(int width, int height);
