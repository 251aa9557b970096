#include "progress.h"

#include "platform.h"

namespace ruz {

namespace {
// At most four updates a second.
constexpr auto kInterval = std::chrono::milliseconds(250);
}  // namespace

bool Progress::errorStreamIsTerminal() { return platform::errorStreamIsTerminal(); }

void Progress::phase(std::string_view name) {
    if (!enabled_) return;
    phase_ = name;
    reads_ = 0;
    phaseStart_ = Clock::now();
    show(true);
}

void Progress::reads(std::int64_t done) {
    if (!enabled_) return;
    reads_ = done;
    show(false);
}

void Progress::show(bool force) {
    const auto now = Clock::now();
    if (!force && now - lastShown_ < kInterval) return;
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - phaseStart_).count();
    if (reads_ > 0 && seconds > 0) {
        std::fprintf(out_, "\r\033[K%s: %lld reads, %.0f reads/s", phase_.c_str(),
                     static_cast<long long>(reads_), static_cast<double>(reads_) / seconds);
    } else {
        std::fprintf(out_, "\r\033[K%s", phase_.c_str());
    }
    std::fflush(out_);
    shown_ = true;
}

void Progress::finish() {
    if (!enabled_ || !shown_) return;
    std::fprintf(out_, "\r\033[K");
    std::fflush(out_);
    shown_ = false;
}

}  // namespace ruz
