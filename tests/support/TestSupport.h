#pragma once
// Shared test helpers: per-test temporary folders, the public sample files, a decimal-comma locale.
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under the system temp dir, removed with everything in it when the guard dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Folder of the public sample files kept in the project (tests/data/samples).
std::string SamplesDir();
// Path of a sample file below SamplesDir(); when it is absent the running test fails, naming the
// file, and "" comes back.
std::string SampleFile(const std::string& relative);

// Switches the C and C++ global locales to a decimal-comma locale for its lifetime and back to
// "C" afterwards. ok() is false when no such locale can be had on this machine.
class CommaLocale {
public:
    CommaLocale();
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

// Copies sample files of one folder below SamplesDir() into `dir`; an entry "from>to" renames
// the copy. False (and the running test fails, naming the file) when a sample is absent or cannot
// be copied.
bool CopySamples(const TempDir& dir, const std::string& folder, const std::vector<std::string>& names);

// The text with every LF turned into CRLF, for checking that CRLF files read like LF ones.
std::string WithCrlf(const std::string& text);

// Makes a Unix socket node at `path` (bound, then closed: the node stays). False when it cannot.
bool MakeSocket(const std::string& path);

// Whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// Every name in the folder, sorted, whatever it names (links, FIFOs and devices too).
std::vector<std::string> NamesIn(const std::string& folder);

}  // namespace testsupport
