#pragma once
// Reading files that another program may write, truncate or replace meanwhile. Every reader of a
// file goes through one guard: the file is watched from before its first byte is read, and a
// change seen by the end of the read makes the read start over once; a second change fails it
// with "<path> changed while it was read" rather than hand on a mix of two versions (or the
// zeros a truncation leaves in a read that meets it). Streamed reads (the C3D reader) and
// whole-file reads share it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dez {

// A regular file open for reading, with what it looked like when opened. Only one guarded read
// uses it, from Open to Unchanged.
class WatchedFile {
public:
    WatchedFile() = default;
    ~WatchedFile();
    WatchedFile(const WatchedFile&) = delete;
    WatchedFile& operator=(const WatchedFile&) = delete;

    // Opens without waiting (a FIFO named like a data file would otherwise block the open for
    // ever) and refuses anything but a regular file; false with the reason in `error`.
    bool Open(const std::string& path, std::string* error);
    const std::string& path() const { return path_; }
    // The size when opened (0 for the files of /proc and /sys, which report none).
    uint64_t size() const { return size_; }
    int descriptor() const { return fd_; }

    // Reads up to n bytes at `offset` into dst and answers how many came: fewer only at the end
    // of the file or when a read fails (failure() then says why).
    size_t ReadAt(uint64_t offset, void* dst, size_t n);
    // The errno value of the first failed read (or of Fail), 0 when none failed.
    int failure() const { return failure_; }
    // Records a failure of the reader itself (no memory for the bytes, say) as the read's.
    void Fail(int err) {
        if (failure_ == 0) failure_ = err;
    }

    // True when nothing has changed the file since it was opened: no write or truncation
    // noticed, the same size, modification and change times, every read got all the bytes the
    // size promised and none beyond it, and the path still names this file.
    bool Unchanged();

private:
    std::string path_;
    int fd_ = -1;
    int watch_ = -1;  // the inotify watch on the open file, -1 when none could be had
    uint64_t noticeMark_ = 0;
    uint64_t size_ = 0;
    uint64_t device_ = 0, inode_ = 0;
    int64_t modified_[2] = {0, 0}, changed_[2] = {0, 0};  // seconds, nanoseconds
    bool short_ = false;  // a read came back short of the size
    bool beyond_ = false;  // a read found bytes past the size
    int failure_ = 0;
};

// Runs read(file) on the file at `path`, opened and watched, and answers what read answered.
// When the file changed while read ran (whatever read answered), it is opened again and read
// runs once more, from scratch; when it changed again the answer is false with "<path> changed
// while it was read" in `error`. A file that cannot be opened, is no regular file or fails a
// read gives false with the reason in `error`. When read itself answers false on a steady file,
// `error` is left empty: read's own report stands.
template <typename Read>
bool ReadSteadily(const std::string& path, std::string* error, Read&& read);

// Reads a whole regular file into `out` (replaced only on success), through the guard above. On
// failure `error` (when given) says which step failed for which path, or that the file changed
// while it was read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string* error = nullptr);

// A whole file read once into a buffer that is not cleared first: the large text tables are
// converted straight from it, and their files can be hundreds of megabytes.
class FileBytes {
public:
    const char* data() const { return data_.get(); }
    size_t size() const { return size_; }
    std::string_view text() const { return std::string_view(data_.get(), size_); }
    void reset() {
        data_.reset();
        size_ = 0;
    }

private:
    struct Free {
        void operator()(char* p) const { std::free(p); }
    };
    friend bool ReadWholeFile(const std::string& path, FileBytes& out, std::string* error);
    std::unique_ptr<char, Free> data_;
    size_t size_ = 0;
};

// The same reading and the same refusals as above, into a FileBytes.
bool ReadWholeFile(const std::string& path, FileBytes& out, std::string* error = nullptr);

// The text of a read that failed because the file kept changing: "<path> changed while it was
// read". Readers that word their own failures pass this one on as it is.
std::string ChangedWhileRead(const std::string& path);

namespace guarded_read {
// The end of one run of a guarded read: true when it is over (the answer in *answer, error set
// as ReadSteadily describes), false when the file changed and the read must run again.
bool Settle(WatchedFile& file, bool done, std::string* error, bool* answer);
}  // namespace guarded_read

template <typename Read>
bool ReadSteadily(const std::string& path, std::string* error, Read&& read) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        WatchedFile file;
        if (!file.Open(path, error)) return false;
        const bool done = read(file);
        bool answer = false;
        if (guarded_read::Settle(file, done, error, &answer)) return answer;
    }
    if (error) *error = ChangedWhileRead(path);
    return false;
}

}  // namespace dez
