#pragma once
// Work shared out over threads, for the few loads large enough to gain from it.
#include <cstddef>
#include <functional>

namespace dez {

// Threads worth using for work that splits evenly: the hardware's, at least 1.
unsigned HardwareThreads();

// Runs task(0) .. task(count - 1), each once, on up to `threads` threads (the caller's among
// them) and returns when all are done. Tasks go out in order as threads come free; a thread that
// cannot be started leaves its share to the others. False when a task threw (the rest still ran).
bool RunTasks(size_t count, unsigned threads, const std::function<void(size_t)>& task);

}  // namespace dez
