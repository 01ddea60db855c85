#pragma once

// What the heap holds for the program right now, in bytes. Under the address
// sanitizer its own allocator serves every block and glibc's accounts stay
// empty, so the count comes from the sanitizer, which counts what was asked
// for; glibc's includes each block's header.

#include <cstddef>

#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
#define PELLORAN_HEAP_FROM_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELLORAN_HEAP_FROM_SANITIZER 1
#endif
#endif

#ifdef PELLORAN_HEAP_FROM_SANITIZER
// Declared here because the compiler ships the sanitizer's headers only with
// some of its packages; the runtime always has it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

inline std::size_t heapInUse()
{
#ifdef PELLORAN_HEAP_FROM_SANITIZER
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}
