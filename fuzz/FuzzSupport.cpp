#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>

#include "platform/Paths.h"

namespace fuzzsupport {

namespace {

std::map<std::string, std::string>& Files() {
    static std::map<std::string, std::string> files;
    return files;
}

void RemoveFiles() {
    for (const auto& entry : Files()) dez::RemoveFile(entry.second);
}

// Plain writes: the atomic save flushes to disk, which would slow every run down a hundredfold.
void Put(const std::string& path, const uint8_t* data, size_t size) {
    const std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f || (size > 0 && std::fwrite(data, 1, size, f.get()) != size)) std::abort();
}

std::set<std::string>& FolderFiles() {
    static std::set<std::string> names;
    return names;
}

const std::string& Folder();

void RemoveFolder() {
    for (const std::string& name : FolderFiles()) dez::RemoveFile(Folder() + "/" + name);
    std::remove(Folder().c_str());
}

const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern = dez::TempDirectory() + "/dez_fuzz_XXXXXX";
        if (!mkdtemp(&pattern[0])) std::abort();
        return pattern;
    }();
    // Registered once both statics exist, so that it runs before they are destroyed.
    static const bool removal = (FolderFiles(), std::atexit(RemoveFolder) == 0);
    (void)removal;
    return folder;
}

}  // namespace

const std::string& WriteInput(const uint8_t* data, size_t size, const char* suffix) {
    std::string& path = Files()[suffix];
    if (path.empty()) {
        if (Files().size() == 1) std::atexit(RemoveFiles);
        path = dez::MakeTempFile(dez::TempDirectory(), "dez_fuzz_", suffix);
        if (path.empty()) std::abort();
    }
    Put(path, data, size);
    return path;
}

std::string WriteFolderFile(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = Folder() + "/" + name;
    FolderFiles().insert(name);
    Put(path, data, size);
    return path;
}

void RemoveFolderFile(const std::string& name) { dez::RemoveFile(Folder() + "/" + name); }

}  // namespace fuzzsupport
