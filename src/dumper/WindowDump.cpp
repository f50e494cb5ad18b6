#include "dumper/WindowDump.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <exception>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "dumper/FramePixels.h"
#include "dumper/WriteBitmap.h"

namespace {

// Numbers the automatically named dumps for the whole process; never reset.
int g_dumpCounter = 0;

// File names must stay below this length (terminator included); a longer one is a caller's
// fault, refused before anything is read or opened.
constexpr std::size_t kMaxNameBuffer = 512;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void Report(const char* message) { std::cerr << message; }

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

// Writes the frame to an open file and closes it; false when any write or the close fails.
bool WriteAndClose(FilePtr file, const unsigned char* rgba, int w, int h, int code) {
    const bool written = WriteBitmap(file.get(), rgba, w, h, code);
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
    FilePtr leftFile, rightFile;
    if (name.empty()) {
        if (!OpenNumbered(ext, stereo, leftFile, rightFile)) {
            Report("WindowDump - Failed to open file for window dump\n");
            return false;
        }
    } else {
        leftFile.reset(std::fopen(SideName(stereo ? "L_" : "", name, ext).c_str(), "wb"));
        if (!leftFile) {
            Report("WindowDump - Failed to open file for window dump\n");
            return false;
        }
    }
    if (!WriteAndClose(std::move(leftFile), left, width, height, code)) return false;
    if (stereo) {
        if (!rightFile) rightFile.reset(std::fopen(SideName("R_", name, ext).c_str(), "wb"));
        if (!rightFile) {
            Report("WindowDump - Failed to open file for window dump\n");
            return false;
        }
        if (!WriteAndClose(std::move(rightFile), right, width, height, code)) return false;
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
