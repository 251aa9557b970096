// The platform layer on POSIX systems (Linux first): see platform.h.
#include "platform.h"
#include "platform_internal.h"

#if !defined(_WIN32)

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace ruz::platform {

bool stdinIsTerminal() { return isatty(STDIN_FILENO) != 0; }

bool errorStreamIsTerminal() { return isatty(STDERR_FILENO) != 0; }

void waitKey() {
    std::fflush(stdout);
    if (!stdinIsTerminal()) return;
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
}

std::string executablePath(const char* argv0) {
#if defined(__linux__)
    // The link names the program the system started, symbolic links
    // resolved; it grows until it fits.
    std::string target(256, '\0');
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", target.data(), target.size());
        if (n <= 0) break;
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            return target;
        }
        target.resize(target.size() * 2);
    }
#endif
    return argv0 ? std::string(argv0) : std::string();
}

std::string processToken() { return std::to_string(getpid()); }

std::FILE* openPath(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::FILE* openRegularForReading(const std::string& path) {
    // The name is looked at before it is opened (opening some devices acts
    // on them), and the open descriptor again (the name may have changed in
    // between). The opening does not wait for the writer of a FIFO.
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0) return nullptr;
    if (!S_ISREG(named.st_mode)) {
        errno = S_ISDIR(named.st_mode) ? EISDIR : EINVAL;
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) ::close(fd);
    return file;
}

std::FILE* createExclusive(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) ::close(fd);
    return file;
}

bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool moveNoReplace(const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // A file system without the exclusive rename: a new link fails on any
    // existing name, then the old one goes.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

std::filesystem::path fileSystemPath(const std::string& path) {
    return std::filesystem::path(path);
}

// Only the separator and NUL are refused here, and no composed name holds
// them.
bool fileNameAllowed(std::string_view) { return true; }

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
    struct stat st {};
    return fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

extern "C" void interruptAndRemoveWatched(int sig) { detail::interrupt(sig); }

// Installs the clean-up handler unless the caller chose to ignore the
// signal (nohup, a shell's background job): an inherited ignore stays.
void hookUnlessIgnored(int sig) {
    struct sigaction current {};
    if (sigaction(sig, nullptr, &current) != 0) return;
    if (current.sa_handler == SIG_IGN) return;
    struct sigaction hook {};
    hook.sa_handler = interruptAndRemoveWatched;
    sigemptyset(&hook.sa_mask);
    sigaction(sig, &hook, nullptr);
}

}  // namespace

namespace detail {

void removeForInterruption(const char* path) { unlink(path); }

}  // namespace detail

void prepareProcess() {
    static std::once_flag once;
    std::call_once(once, [] {
        hookUnlessIgnored(SIGINT);
        hookUnlessIgnored(SIGTERM);
        hookUnlessIgnored(SIGHUP);
        // A reader that went away or a file-size limit: the write fails
        // and is reported, the temporary files are removed by their owners.
        std::signal(SIGPIPE, SIG_IGN);
        std::signal(SIGXFSZ, SIG_IGN);
    });
}

}  // namespace ruz::platform

#endif
