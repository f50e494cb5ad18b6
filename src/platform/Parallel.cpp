#include "platform/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace dez {

unsigned HardwareThreads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? n : 1;
}

bool RunTasks(size_t count, unsigned threads, const std::function<void(size_t)>& task) {
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;) {
            try {
                task(i);
            } catch (...) {
                failed = true;
            }
        }
    };
    std::vector<std::thread> helpers;
    const size_t wanted = threads > 1 ? std::min<size_t>(threads - 1, count > 0 ? count - 1 : 0) : 0;
    try {
        helpers.reserve(wanted);
        for (size_t t = 0; t < wanted; ++t) helpers.emplace_back(work);
    } catch (const std::exception&) {
        // Fewer threads (none at all) only take longer.
    }
    work();
    for (std::thread& t : helpers) t.join();
    return !failed;
}

}  // namespace dez
