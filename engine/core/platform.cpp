#include "platform.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <conio.h>
#include <io.h>
#define RUZ_UNLINK _unlink
#else
#include <termios.h>
#include <unistd.h>
#define RUZ_UNLINK unlink
#endif

namespace ruz::platform {

void waitKey() {
    std::fflush(stdout);
#ifdef _WIN32
    if (_isatty(_fileno(stdin))) {
        (void)_getch();
        return;
    }
    (void)std::getchar();
#else
    if (isatty(STDIN_FILENO)) {
        termios saved{};
        if (tcgetattr(STDIN_FILENO, &saved) == 0) {
            termios raw = saved;
            raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
            raw.c_cc[VMIN] = 1;
            raw.c_cc[VTIME] = 0;
            tcsetattr(STDIN_FILENO, TCSANOW, &raw);
            char c;
            (void)read(STDIN_FILENO, &c, 1);
            tcsetattr(STDIN_FILENO, TCSANOW, &saved);
            return;
        }
    }
    char c;
    (void)read(STDIN_FILENO, &c, 1);
#endif
}

namespace {

// A run holds at most a few temporary files at once. The table holds plain
// C strings so that the signal handler only reads and unlinks.
constexpr std::size_t kWatchedFiles = 8;
std::array<std::unique_ptr<char[]>, kWatchedFiles> watched;
volatile std::sig_atomic_t handlersInstalled = 0;

extern "C" void removeWatchedAndExit(int sig) {
    for (const auto& path : watched)
        if (path) RUZ_UNLINK(path.get());
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void installHandlers() {
    if (handlersInstalled) return;
    handlersInstalled = 1;
    std::signal(SIGINT, removeWatchedAndExit);
    std::signal(SIGTERM, removeWatchedAndExit);
#ifdef SIGHUP
    std::signal(SIGHUP, removeWatchedAndExit);
#endif
}

}  // namespace

void watchTemporaryFile(const std::string& path) {
    installHandlers();
    for (auto& slot : watched) {
        if (!slot) {
            auto copy = std::make_unique<char[]>(path.size() + 1);
            std::memcpy(copy.get(), path.c_str(), path.size() + 1);
            slot = std::move(copy);
            return;
        }
    }
}

void forgetTemporaryFile(const std::string& path) {
    for (auto& slot : watched) {
        if (slot && path == slot.get()) {
            slot.reset();
            return;
        }
    }
}

}  // namespace ruz::platform
