#include "dumper/WindowDump.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "dumper/FramePixels.h"
#include "dumper/WriteBitmap.h"
#include "platform/FileDescriptor.h"
#include "platform/SafeWriter.h"

namespace {

// Numbers the automatically named dumps for the whole process; never reset.
int g_dumpCounter = 0;

// File names must stay below this length (terminator included); a longer one is a caller's
// fault, refused before anything is read or opened.
constexpr std::size_t kMaxNameBuffer = 512;

void Report(const std::string& message) { std::cerr << message; }

// "L_" and "R_" go in front of the file's own name, not in front of a folder part of the name.
std::string SideName(const char* side, const std::string& name, const char* ext) {
    const std::size_t slash = name.find_last_of('/');
    const std::size_t file = slash == std::string::npos ? 0 : slash + 1;
    return name.substr(0, file) + side + name.substr(file) + "." + ext;
}

std::string NumberedName(const char* side, int number, const char* ext) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%04d.%s", side, number, ext);
    return buffer;
}

// One frame encoded as a whole file in memory, so that a file on disk is only ever replaced by a
// complete image.
class EncodedFrame {
public:
    EncodedFrame() = default;
    EncodedFrame(const EncodedFrame&) = delete;
    EncodedFrame& operator=(const EncodedFrame&) = delete;
    ~EncodedFrame() { std::free(data_); }

    // False when the memory stream cannot be had or grown.
    bool Encode(const unsigned char* rgba, int width, int height, int code) {
        std::FILE* stream = open_memstream(&data_, &size_);
        if (!stream) return false;
        const bool written = WriteBitmap(stream, rgba, width, height, code);
        // The buffer and its size are only final once the stream is closed.
        const bool closed = std::fclose(stream) == 0;
        return written && closed;
    }
    const char* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

// Creates the next free numbered file (or L_/R_ pair) exclusively and empty, so an existing file
// is never truncated, even one created between a check and the open; the safe writer then replaces
// the claimed file. Both files of a pair carry the same number.
bool ClaimNumbered(const char* ext, bool stereo, std::string& left, std::string& right,
                   std::string& why) {
    const auto claim = [](const std::string& name) {
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        return fd >= 0 && ::close(fd) == 0;
    };
    for (;;) {
        const int number = g_dumpCounter;
        left = NumberedName(stereo ? "L_" : "", number, ext);
        if (claim(left)) {
            if (!stereo) return true;
            right = NumberedName("R_", number, ext);
            if (claim(right)) return true;
            const int error = errno;
            std::remove(left.c_str());
            if (error != EEXIST) {
                dez::SetErrnoText(&why, "Cannot create", right, error);
                return false;
            }
        } else if (errno != EEXIST) {
            dez::SetErrnoText(&why, "Cannot create", left, errno);
            return false;
        }
        if (g_dumpCounter == INT_MAX) {
            why = "no free number is left";
            return false;
        }
        ++g_dumpCounter;
    }
}

// Everything that can be refused before the frame is read or a file is opened.
bool CheckRequest(const std::string& name, int width, int height, int code, bool stereo) {
    if (!BitmapExtension(code)) {
        Report("WindowDump - Unknown image format code\n");
        return false;
    }
    if (!BitmapSizeSupported(width, height, code)) {
        Report("WindowDump - Image size not supported by the format\n");
        return false;
    }
    const std::size_t fileName =
        (stereo ? 2 : 0) + name.size() + 1 + std::strlen(BitmapExtension(code));
    if (!name.empty() && fileName >= kMaxNameBuffer) {
        Report("WindowDump - File name too long\n");
        return false;
    }
    return true;
}

bool WriteChecked(const std::string& name, const unsigned char* left, const unsigned char* right,
                  int width, int height, int code) {
    const char* ext = BitmapExtension(code);
    const bool stereo = right != nullptr;
    // Both frames are encoded before any file exists, so a failure there leaves nothing behind.
    EncodedFrame leftFrame, rightFrame;
    if (!leftFrame.Encode(left, width, height, code) ||
        (stereo && !rightFrame.Encode(right, width, height, code))) {
        Report("WindowDump - Failed to allocate memory for image\n");
        return false;
    }
    std::string leftName, rightName, why;
    const bool numbered = name.empty();
    if (numbered) {
        if (!ClaimNumbered(ext, stereo, leftName, rightName, why)) {
            Report("WindowDump - Failed to open file for window dump: " + why + "\n");
            return false;
        }
    } else {
        leftName = SideName(stereo ? "L_" : "", name, ext);
        if (stereo) rightName = SideName("R_", name, ext);
    }
    const bool leftWritten =
        dez::WriteFileAtomically(leftName, leftFrame.data(), leftFrame.size(), &why);
    const bool written = leftWritten && (!stereo || dez::WriteFileAtomically(
                                                        rightName, rightFrame.data(),
                                                        rightFrame.size(), &why));
    if (!written) {
        if (numbered) {
            // A claimed file that did not get its image goes again; a complete one stays.
            if (!leftWritten) std::remove(leftName.c_str());
            if (stereo) std::remove(rightName.c_str());
        }
        Report("WindowDump - Failed to write image file: " + why + "\n");
        return false;
    }
    if (g_dumpCounter < INT_MAX) ++g_dumpCounter;
    return true;
}

}  // namespace

bool WriteDumpFiles(const std::string& name, const unsigned char* left, const unsigned char* right,
                    int width, int height, int code) {
    if (!left) return false;
    if (!CheckRequest(name, width, height, code, right != nullptr)) return false;
    return WriteChecked(name, left, right, width, height, code);
}

bool WindowDump(const std::string& name, int width, int height, int code, bool stereo) {
    if (!CheckRequest(name, width, height, code, stereo)) return false;
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
    } catch (const std::exception&) {  // bad_alloc, or length_error beyond the vector's limit
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
    return WriteChecked(name, left.data(), stereo ? right.data() : nullptr, width, height, code);
}
