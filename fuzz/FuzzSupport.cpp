#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

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

}  // namespace

const std::string& WriteInput(const uint8_t* data, size_t size, const char* suffix) {
    std::string& path = Files()[suffix];
    if (path.empty()) {
        if (Files().size() == 1) std::atexit(RemoveFiles);
        path = dez::MakeTempFile(dez::TempDirectory(), "dez_fuzz_", suffix);
        if (path.empty()) std::abort();
    }
    const std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f || (size > 0 && std::fwrite(data, 1, size, f.get()) != size)) std::abort();
    return path;
}

}  // namespace fuzzsupport
