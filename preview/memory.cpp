#include "memory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Above this a block is mapped on its own: a row of a frame is below it, a frame above.
constexpr int ownMappingBytes = 256 * 1024;

} // namespace

void returnLargeBlocksAtOnce()
{
#if defined(__GLIBC__)
    // Set, the threshold stays where it is rather than rising to the size of each block freed.
    mallopt(M_MMAP_THRESHOLD, ownMappingBytes);
#endif
}
