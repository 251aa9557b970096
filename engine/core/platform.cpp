#include "platform.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <csignal>
#include <cstring>
#include <memory>
#include <mutex>

#ifdef _WIN32
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace ruz::platform {

bool stdinIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

void waitKey() {
    std::fflush(stdout);
    if (!stdinIsTerminal()) return;
#ifdef _WIN32
    (void)_getch();
#else
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    char c;
    (void)read(STDIN_FILENO, &c, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
#endif
}

std::string processToken() {
#ifdef _WIN32
    return std::to_string(_getpid());
#else
    return std::to_string(getpid());
#endif
}

std::FILE* createExclusive(const std::string& path) {
#ifdef _WIN32
    // "x" makes the open fail when the name exists; Windows follows no
    // symbolic links for a new file created this way.
    return std::fopen(path.c_str(), "wbx");
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) ::close(fd);
    return file;
#endif
}

bool replaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

void adviseHugePages(void* block, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole huge pages inside the block can be backed by one.
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (begin + bytes) & ~(kHugePage - 1);
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

bool isRegularFile(std::FILE* file) {
#ifdef _WIN32
    struct _stat64 st {};
    return _fstat64(_fileno(file), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
#else
    struct stat st {};
    return fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
#endif
}

namespace {

// The watched paths are plain C strings in fixed slots, so that the signal
// handler only reads them and unlinks. A slot is published by an atomic
// store after its text is complete.
constexpr std::size_t kWatchedFiles = 64;
constexpr std::size_t kLongestWatchedPath = 4096;
std::array<std::array<char, kLongestWatchedPath>, kWatchedFiles> watchedText;
std::array<std::atomic<bool>, kWatchedFiles> watchedInUse;
std::mutex watchedMutex;

extern "C" void removeWatchedAndExit(int sig) {
    for (std::size_t i = 0; i < kWatchedFiles; ++i) {
        if (watchedInUse[i].load()) {
#ifdef _WIN32
            _unlink(watchedText[i].data());
#else
            unlink(watchedText[i].data());
#endif
        }
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// Installs the clean-up handler unless the caller chose to ignore the
// signal (nohup, a shell's background job): an inherited ignore stays.
void hookUnlessIgnored(int sig) {
#ifdef _WIN32
    void (*previous)(int) = std::signal(sig, removeWatchedAndExit);
    if (previous == SIG_IGN) std::signal(sig, SIG_IGN);
#else
    struct sigaction current {};
    if (sigaction(sig, nullptr, &current) != 0) return;
    if (current.sa_handler == SIG_IGN) return;
    struct sigaction hook {};
    hook.sa_handler = removeWatchedAndExit;
    sigemptyset(&hook.sa_mask);
    sigaction(sig, &hook, nullptr);
#endif
}

}  // namespace

void prepareProcess() {
    static std::once_flag once;
    std::call_once(once, [] {
        hookUnlessIgnored(SIGINT);
        hookUnlessIgnored(SIGTERM);
#ifndef _WIN32
        hookUnlessIgnored(SIGHUP);
        // A reader that went away or a file-size limit: the write fails
        // and is reported, the temporary files are removed by their owners.
        std::signal(SIGPIPE, SIG_IGN);
        std::signal(SIGXFSZ, SIG_IGN);
#endif
    });
}

void watchTemporaryFile(const std::string& path) {
    prepareProcess();
    if (path.size() >= kLongestWatchedPath) return;
    std::lock_guard<std::mutex> lock(watchedMutex);
    for (std::size_t i = 0; i < kWatchedFiles; ++i) {
        if (!watchedInUse[i].load()) {
            std::memcpy(watchedText[i].data(), path.c_str(), path.size() + 1);
            watchedInUse[i].store(true);
            return;
        }
    }
}

void forgetTemporaryFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(watchedMutex);
    for (std::size_t i = 0; i < kWatchedFiles; ++i) {
        if (watchedInUse[i].load() && path == watchedText[i].data()) {
            watchedInUse[i].store(false);
            return;
        }
    }
}

}  // namespace ruz::platform
