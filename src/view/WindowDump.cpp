#include "WindowDump.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "FramePixels.h"
#include "WriteBitmap.h"

namespace {

// Numbers the automatically named dumps for the whole process; never reset.
int g_dumpCounter = 0;

// Names are built in a fixed buffer of this size, terminator included.
constexpr std::size_t kMaxNameBuffer = 512;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void Report(const char* message) { std::fputs(message, stderr); }

std::string NumberedName(const char* side, int number, const char* ext) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%04d.%s", side, number, ext);
    return buffer;
}

// Writes the frame to an open file and closes it; false when any write or the close fails.
bool WriteAndClose(FilePtr file, const std::vector<unsigned char>& rgba, int w, int h, int code) {
    const bool written = WriteBitmap(file.get(), rgba.data(), w, h, code);
    const bool closed = std::fclose(file.release()) == 0;
    if (written && closed) return true;
    Report("WindowDump - Failed to write image file\n");
    return false;
}

// Creates the next free numbered file (or L_/R_ pair) exclusively, so an existing file is never
// truncated, even one created between a check and the open. Both files of a pair carry the same
// number.
bool OpenNumbered(const char* ext, bool stereo, FilePtr& left, FilePtr& right) {
    for (;;) {
        const int number = g_dumpCounter;
        const std::string leftName = NumberedName(stereo ? "L_" : "", number, ext);
        left.reset(std::fopen(leftName.c_str(), "wbx"));
        if (left) {
            if (!stereo) return true;
            right.reset(std::fopen(NumberedName("R_", number, ext).c_str(), "wbx"));
            if (right) return true;
            const int error = errno;
            left.reset();
            std::remove(leftName.c_str());
            if (error != EEXIST) return false;
        } else if (errno != EEXIST) {
            return false;
        }
        if (g_dumpCounter == INT_MAX) return false;
        ++g_dumpCounter;
    }
}

}  // namespace

bool WindowDump(const std::string& name, int width, int height, int code, bool stereo) {
    const char* ext = BitmapExtension(code);
    if (!ext) {
        Report("WindowDump - Unknown image format code\n");
        return false;
    }
    if (!BitmapSizeSupported(width, height, code)) {
        Report("WindowDump - Image size not supported by the format\n");
        return false;
    }
    std::string leftName, rightName;
    if (!name.empty()) {
        leftName = (stereo ? "L_" : "") + name + "." + ext;
        rightName = "R_" + name + "." + ext;
        if (leftName.size() >= kMaxNameBuffer) {
            Report("WindowDump - File name too long\n");
            return false;
        }
    }
    if (stereo && !CurrentContextHasStereo()) {
        // A mono context would give the same image as both halves of the pair.
        Report("WindowDump - No stereo buffers in the GL context\n");
        return false;
    }

    std::vector<unsigned char> left, right;
    try {
        const std::size_t bytes = FrameByteCount(width, height);
        left.resize(bytes);
        if (stereo) right.resize(bytes);
    } catch (const std::bad_alloc&) {
        Report("WindowDump - Failed to allocate memory for image\n");
        return false;
    }
    // Both frames are read before any file exists, so a failed read leaves nothing behind.
    const bool read = stereo ? ReadFramePixels(width, height, FrameBuffer::Left, left.data()) &&
                                   ReadFramePixels(width, height, FrameBuffer::Right, right.data())
                             : ReadFramePixels(width, height, FrameBuffer::Current, left.data());
    if (!read) {
        Report("WindowDump - Failed to read the frame from GL\n");
        return false;
    }

    FilePtr leftFile, rightFile;
    if (name.empty()) {
        if (!OpenNumbered(ext, stereo, leftFile, rightFile)) {
            Report("WindowDump - Failed to open file for window dump\n");
            return false;
        }
    } else {
        leftFile.reset(std::fopen(leftName.c_str(), "wb"));
        if (!leftFile) {
            Report("WindowDump - Failed to open file for window dump\n");
            return false;
        }
    }
    if (!WriteAndClose(std::move(leftFile), left, width, height, code)) return false;
    if (stereo) {
        if (!rightFile) rightFile.reset(std::fopen(rightName.c_str(), "wb"));
        if (!rightFile) {
            Report("WindowDump - Failed to open file for window dump\n");
            return false;
        }
        if (!WriteAndClose(std::move(rightFile), right, width, height, code)) return false;
    }
    if (g_dumpCounter < INT_MAX) ++g_dumpCounter;
    return true;
}
