#include "parallel.h"

#include <thread>

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
