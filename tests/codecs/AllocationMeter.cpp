#include "tests/codecs/AllocationMeter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define ALLOCMETER_OFF 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ALLOCMETER_OFF 1
#endif

namespace {

std::atomic<int64_t> g_held{0};
std::atomic<int64_t> g_base{0};
std::atomic<int64_t> g_peak{0};

} // namespace

#if !defined(ALLOCMETER_OFF) && defined(__GLIBC__)

#include <malloc.h>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {

void add(void* p) {
    if (!p)
        return;
    const int64_t now = g_held.fetch_add(int64_t(malloc_usable_size(p)), std::memory_order_relaxed) +
                        int64_t(malloc_usable_size(p));
    int64_t peak = g_peak.load(std::memory_order_relaxed);
    while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

void remove(void* p) {
    if (p)
        g_held.fetch_sub(int64_t(malloc_usable_size(p)), std::memory_order_relaxed);
}

} // namespace

extern "C" {

void* malloc(size_t n) {
    void* p = __libc_malloc(n);
    add(p);
    return p;
}

void* calloc(size_t n, size_t size) {
    void* p = __libc_calloc(n, size);
    add(p);
    return p;
}

void* realloc(void* old, size_t n) {
    remove(old);
    void* p = __libc_realloc(old, n);
    if (p)
        add(p);
    else if (old && n) // the old block stays
        add(old);
    return p;
}

void free(void* p) {
    remove(p);
    __libc_free(p);
}

void* memalign(size_t alignment, size_t n) {
    void* p = __libc_memalign(alignment, n);
    add(p);
    return p;
}

void* aligned_alloc(size_t alignment, size_t n) { return memalign(alignment, n); }

int posix_memalign(void** out, size_t alignment, size_t n) {
    void* p = memalign(alignment, n);
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}

} // extern "C"

namespace allocmeter {
bool available() { return true; }
} // namespace allocmeter

#else

namespace allocmeter {
bool available() { return false; }
} // namespace allocmeter

#endif

namespace allocmeter {

void start() {
    const int64_t now = g_held.load();
    g_base.store(now);
    g_peak.store(now);
}

int64_t peakSinceStart() { return g_peak.load() - g_base.load(); }

} // namespace allocmeter
