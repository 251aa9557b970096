// Large blocks handed out again instead of mapped afresh, for the fuzz
// targets whose readers allocate a large buffer for every file they open
// (the reads loop's 1 MiB chunk, the 1 MiB write buffer of a result file).
//
// AddressSanitizer maps every block above 128 KiB anew and unmaps it once
// freed, so a zero-filled 1 MiB buffer costs 256 page faults on each input:
// about 1.5 ms, which capped these targets at a few hundred inputs a
// second. Here the global operator new keeps blocks of 256 KiB and more
// once they are freed and hands them to the next request of the same size.
// AddressSanitizer still watches them: a block lies between two poisoned
// guard zones of 4 KiB, and a freed block is poisoned whole until it is
// handed out again, so an access past its end or after its release is
// reported (as use-after-poison). Smaller requests go to malloc and free,
// which AddressSanitizer checks as usual.
#include <sanitizer/asan_interface.h>

#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <new>

namespace {

constexpr std::size_t kLargeBlock = std::size_t{256} << 10;
constexpr std::size_t kGuard = 4096;
constexpr std::size_t kSlots = 32;

struct Slot {
    char* base = nullptr;  // guard, block, guard
    std::size_t size = 0;
    bool inUse = false;
};

// Fixed storage: the cache must not allocate through operator new itself.
class BlockCache {
public:
    void* take(std::size_t size) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Slot& s : slots_) {
            if (s.base && !s.inUse && s.size == size) {
                s.inUse = true;
                ASAN_UNPOISON_MEMORY_REGION(s.base + kGuard, size);
                return s.base + kGuard;
            }
        }
        for (Slot& s : slots_) {
            if (s.base) continue;
            auto* base = static_cast<char*>(std::malloc(size + 2 * kGuard));
            if (!base) return nullptr;
            ASAN_POISON_MEMORY_REGION(base, kGuard);
            ASAN_POISON_MEMORY_REGION(base + kGuard + size, kGuard);
            s = Slot{base, size, true};
            return base + kGuard;
        }
        return std::malloc(size);  // every slot taken: an ordinary block
    }

    // False when the block is not one of the cache's.
    bool give(void* p) {
        if (!p) return true;
        std::lock_guard<std::mutex> lock(mutex_);
        for (Slot& s : slots_) {
            if (s.base && s.inUse && s.base + kGuard == p) {
                s.inUse = false;
                ASAN_POISON_MEMORY_REGION(s.base + kGuard, s.size);
                return true;
            }
        }
        return false;
    }

private:
    std::mutex mutex_;
    Slot slots_[kSlots];
};

// Made on first use and never destroyed: deletes run until the very end.
BlockCache& cache() {
    alignas(BlockCache) static unsigned char storage[sizeof(BlockCache)];
    static BlockCache* const c = new (storage) BlockCache();
    return *c;
}

void* allocate(std::size_t size) {
    if (size == 0) size = 1;
    void* p = size >= kLargeBlock ? cache().take(size) : std::malloc(size);
    if (!p) throw std::bad_alloc();
    return p;
}

void* allocateAligned(std::size_t size, std::align_val_t align) {
    void* p = nullptr;
    const auto a = static_cast<std::size_t>(align);
    if (posix_memalign(&p, a < sizeof(void*) ? sizeof(void*) : a, size ? size : 1) != 0) throw std::bad_alloc();
    return p;
}

void release(void* p) noexcept {
    if (p && !cache().give(p)) std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void* operator new(std::size_t size, std::align_val_t align) { return allocateAligned(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return allocateAligned(size, align); }
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
    try {
        return allocateAligned(size, align);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t& tag) noexcept {
    return operator new(size, align, tag);
}

void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
