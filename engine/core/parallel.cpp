#include "parallel.h"

#include <thread>

#if RUZ_HAVE_TBB
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

}  // namespace ruz
