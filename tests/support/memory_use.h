#pragma once

// How much memory the program holds: the heap now, and the most it has held.
// Under the address sanitizer glibc's accounts stay empty, as its own
// allocator serves every block, and the resident size counts what it adds:
// a shadow byte for every eight and the blocks freed lately, which it keeps
// from reuse to catch late writes. There both come from its allocator.

#include <cstddef>

#include <malloc.h>
#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
#define PELLORAN_MEMORY_FROM_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELLORAN_MEMORY_FROM_SANITIZER 1
#endif
#endif

#ifdef PELLORAN_MEMORY_FROM_SANITIZER
#include <algorithm>
#include <atomic>

// Declared here because the compiler ships the sanitizer's headers only with
// some of its packages; the runtime always has them.
extern "C" {
std::size_t __sanitizer_get_current_allocated_bytes();
std::size_t __sanitizer_get_allocated_size(const volatile void *p);
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void *, std::size_t),
                                              void (*free_hook)(const volatile void *));
}
#endif

// The bytes the heap holds for the program right now: what was asked for,
// without glibc's block headers under the sanitizer.
inline std::size_t heapInUse()
{
#ifdef PELLORAN_MEMORY_FROM_SANITIZER
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

#ifdef PELLORAN_MEMORY_FROM_SANITIZER
namespace memory_use {

inline std::atomic<long long> heldBytes{0};
inline std::atomic<long long> mostHeldBytes{0};

inline void allocated(const volatile void *, std::size_t size)
{
    const long long held = heldBytes.fetch_add(static_cast<long long>(size)) + static_cast<long long>(size);
    long long most = mostHeldBytes.load();
    while (held > most && !mostHeldBytes.compare_exchange_weak(most, held)) {
    }
}

inline void freed(const volatile void *block)
{
    heldBytes.fetch_sub(static_cast<long long>(__sanitizer_get_allocated_size(block)));
}

} // namespace memory_use
#endif

// The most memory the program has held so far, in kilobytes: the resident
// size's high-water mark, or under the sanitizer the heap's, counted from the
// first call on (compare two calls). Should the sanitizer refuse to report
// its blocks, the resident size stands, too high rather than too low.
inline long peakMemoryKb()
{
#ifdef PELLORAN_MEMORY_FROM_SANITIZER
    static const bool watching = [] {
        const auto held = static_cast<long long>(__sanitizer_get_current_allocated_bytes());
        memory_use::heldBytes = held;
        memory_use::mostHeldBytes = held;
        return __sanitizer_install_malloc_and_free_hooks(memory_use::allocated, memory_use::freed) != 0;
    }();
    if (watching)
        return long(memory_use::mostHeldBytes.load() / 1024);
#endif
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
