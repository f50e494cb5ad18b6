#pragma once
// Hints about large memory blocks.
#include <cstddef>

namespace dez {

// Asks the system to back the whole 2 MB stretches inside [data, data + size) with huge pages, so
// that filling a freshly allocated table of hundreds of megabytes takes a few hundred page faults
// instead of tens of thousands. Only a hint: it changes no content and may be ignored.
void AdviseLargeBlock(void* data, size_t size);

}  // namespace dez
