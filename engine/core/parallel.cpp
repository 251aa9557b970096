#include "parallel.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#if RUZ_HAVE_TBB
#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/info.h>
#endif

namespace ruz {

int availableThreads() {
#if RUZ_HAVE_TBB
    // Honours the process's CPU affinity (a batch system's allotment).
    const int n = tbb::info::default_concurrency();
#else
    const int n = static_cast<int>(std::thread::hardware_concurrency());
#endif
    return n > 0 ? n : 1;
}

int threadLimit() { return availableThreads() * kThreadsPerProcessor; }

int startableThreads(int wanted) {
    std::mutex mutex;
    std::condition_variable allStarted;
    bool release = false;
    std::vector<std::thread> started;
    int count = 1;
    try {
        started.reserve(static_cast<std::size_t>(wanted > 1 ? wanted - 1 : 0));
        for (; count < wanted; ++count) {
            started.emplace_back([&] {
                std::unique_lock<std::mutex> lock(mutex);
                allStarted.wait(lock, [&] { return release; });
            });
        }
    } catch (const std::system_error&) {
        // The system refused the thread `count`: the ones before it stand.
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        release = true;
    }
    allStarted.notify_all();
    for (std::thread& t : started) t.join();
    return count;
}

struct ThreadAllowance::Control {
#if RUZ_HAVE_TBB
    explicit Control(int threads)
        : limit(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(threads)) {}
    tbb::global_control limit;
#else
    explicit Control(int) {}
#endif
};

ThreadAllowance::ThreadAllowance(int threads) : control_(std::make_unique<Control>(threads)) {}

ThreadAllowance::~ThreadAllowance() = default;

}  // namespace ruz
