#include "platform.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#ifdef _WIN32
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace ruz::platform {

#ifdef _WIN32
namespace {

// The exit status of a process ended by Ctrl-C (STATUS_CONTROL_C_EXIT).
constexpr UINT kInterruptedStatus = 0xC000013Au;

// A path in the process's code page as UTF-16, or empty when it does not
// convert.
std::wstring widePath(const std::string& path) {
    if (path.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path.data(),
                                      static_cast<int>(path.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                        wide.data(), n);
    return wide;
}

// A UTF-16 path in the process's code page, or empty when a character has
// no place in it.
std::string narrowPath(const std::wstring& wide) {
    if (wide.empty()) return {};
    BOOL lossy = FALSE;
    const bool utf8 = GetACP() == CP_UTF8;  // the lossy flag is refused for UTF-8
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, utf8 ? nullptr : &lossy);
    if (n <= 0 || lossy) return {};
    std::string narrow(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), n,
                        nullptr, nullptr);
    return narrow;
}

void setErrnoFromLastError() {
    switch (GetLastError()) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: errno = ENOENT; break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION: errno = EACCES; break;
        default: errno = EINVAL; break;
    }
}

// How a C mode opens a file on Windows.
struct OpenMode {
    DWORD access = 0;
    DWORD disposition = 0;
    int flags = 0;  // for the C library's descriptor
};

bool parseMode(const char* mode, OpenMode& open) {
    bool update = false, exclusive = false, text = false;
    for (const char* c = mode + 1; *c; ++c) {
        if (*c == '+') update = true;
        else if (*c == 'x') exclusive = true;
        else if (*c == 't') text = true;
    }
    switch (mode[0]) {
        case 'r':
            open = {GENERIC_READ, OPEN_EXISTING, _O_RDONLY};
            break;
        case 'w':
            open = {GENERIC_WRITE, exclusive ? DWORD{CREATE_NEW} : DWORD{CREATE_ALWAYS}, _O_WRONLY};
            break;
        case 'a':
            open = {GENERIC_WRITE, OPEN_ALWAYS, _O_WRONLY | _O_APPEND};
            break;
        default:
            return false;
    }
    if (update) {
        open.access = GENERIC_READ | GENERIC_WRITE;
        open.flags = (open.flags & ~(_O_RDONLY | _O_WRONLY)) | _O_RDWR;
    }
    open.flags |= text ? _O_TEXT : _O_BINARY;
    return true;
}

// True when `text` is `upper` in either case (ASCII letters only).
bool sameLetters(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i];
        if (c != upper[i]) return false;
    }
    return true;
}

// The names Windows keeps for its devices, in every folder.
bool isDeviceName(std::string_view stem) {
    for (const std::string_view device : {"CON", "PRN", "AUX", "NUL"})
        if (sameLetters(stem, device)) return true;
    if (stem.size() != 4 || stem[3] < '1' || stem[3] > '9') return false;
    return sameLetters(stem.substr(0, 3), "COM") || sameLetters(stem.substr(0, 3), "LPT");
}

// The console's output code page before the program set it to UTF-8; 0
// when the program left it alone.
std::atomic<UINT> savedConsoleOutputCodePage{0};

void restoreConsoleOutputCodePage() {
    if (const UINT saved = savedConsoleOutputCodePage.exchange(0)) SetConsoleOutputCP(saved);
}

// Paths are written in UTF-8 when the manifest made it the process's code
// page; a console shows them right only in that code page too. The console
// gets its own back when the program ends.
void showUtf8OnConsole() {
    DWORD mode = 0;
    if (GetACP() != CP_UTF8 || !GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) return;
    const UINT current = GetConsoleOutputCP();
    if (current == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) return;
    savedConsoleOutputCodePage.store(current);
    std::atexit(restoreConsoleOutputCodePage);
}

}  // namespace
#endif

bool stdinIsTerminal() {
#ifdef _WIN32
    // A console, not merely a character device: NUL is one too, and a key
    // wait would then read the console the user is not typing into.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

bool errorStreamIsTerminal() {
#ifdef _WIN32
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(error, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

void waitKey() {
    std::fflush(stdout);
    if (!stdinIsTerminal()) return;
#ifdef _WIN32
    // Function and arrow keys come as two codes: both are taken, so the
    // second does not answer the next wait.
    const int key = _getch();
    if (key == 0 || key == 0xE0) (void)_getch();
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

std::string executablePath(const char* argv0) {
#ifdef _WIN32
    // The module path may exceed MAX_PATH; the buffer grows until it fits.
    std::wstring module(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (n == 0) break;
        if (n < module.size()) {
            module.resize(n);
            const std::string path = narrowPath(module);
            if (!path.empty()) return path;
            break;
        }
        module.resize(module.size() * 2);
    }
#elif defined(__linux__)
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

std::string processToken() {
#ifdef _WIN32
    return std::to_string(_getpid());
#else
    return std::to_string(getpid());
#endif
}

std::FILE* openPath(const std::string& path, const char* mode) {
#ifdef _WIN32
    OpenMode open;
    const std::wstring wide = widePath(path);
    if (wide.empty() || !parseMode(mode, open)) {
        errno = wide.empty() && !path.empty() ? EILSEQ : EINVAL;
        return nullptr;
    }
    const HANDLE handle = CreateFileW(wide.c_str(), open.access,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      open.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        setErrnoFromLastError();
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), open.flags);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, mode);
    if (!file) _close(fd);
    return file;
#else
    return std::fopen(path.c_str(), mode);
#endif
}

std::FILE* openRegularForReading(const std::string& path) {
#ifdef _WIN32
    std::FILE* file = openPath(path, "rb");
    if (file && !isRegularFile(file)) {
        std::fclose(file);
        errno = EINVAL;
        return nullptr;
    }
    return file;
#else
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
#endif
}

std::FILE* createExclusive(const std::string& path) {
#ifdef _WIN32
    // CREATE_NEW fails on any existing name, a symbolic link included. A
    // device name (CON, NUL, ...) opens the device instead of a file: that
    // is refused too.
    std::FILE* file = openPath(path, "wbx");
    if (file && GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK) {
        std::fclose(file);
        errno = EINVAL;
        return nullptr;
    }
    return file;
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
    const std::wstring wideFrom = widePath(from);
    const std::wstring wideTo = widePath(to);
    return !wideFrom.empty() && !wideTo.empty() &&
           MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool moveNoReplace(const std::string& from, const std::string& to) {
#ifdef _WIN32
    const std::wstring wideFrom = widePath(from);
    const std::wstring wideTo = widePath(to);
    if (wideFrom.empty() || wideTo.empty()) {
        errno = EINVAL;
        return false;
    }
    if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), 0) != 0) return true;
    setErrnoFromLastError();
    return false;
#else
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // A file system without the exclusive rename: a new link fails on any
    // existing name, then the old one goes.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
#endif
}

std::filesystem::path fileSystemPath(const std::string& path) {
#ifdef _WIN32
    const std::wstring wide = widePath(path);
    if (!wide.empty() || path.empty()) return std::filesystem::path(wide);
#endif
    return std::filesystem::path(path);
}

bool fileNameAllowed(std::string_view path) {
#ifdef _WIN32
    std::string_view name = path;
    for (std::size_t i = path.size(); i-- > 0;) {
        if (isPathSeparator(path[i])) {
            name = path.substr(i + 1);
            break;
        }
    }
    if (name.empty()) return true;  // no name of its own: the open fails by itself
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"|?*", c)) return false;
    }
    if (name.back() == '.' || name.back() == ' ') return false;
    // A device name counts with any extension and with spaces before it.
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    return !isDeviceName(stem);
#else
    (void)path;
    return true;
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

// The watched paths are kept in a list that only grows: a node is
// published by an atomic store once its text is complete, and marked
// unused when its file is forgotten, never freed or reused, so that the
// signal handler can walk the list and unlink without taking a lock. A map
// finds a path's node for forgetting.
struct WatchedNode {
    std::unique_ptr<char[]> path;
    std::atomic<bool> inUse{true};
    WatchedNode* next = nullptr;
};
std::atomic<WatchedNode*> watchedHead{nullptr};
std::mutex watchedMutex;
std::unordered_multimap<std::string, WatchedNode*>& watchedByPath() {
    static auto* byPath = new std::unordered_multimap<std::string, WatchedNode*>();
    return *byPath;
}

void removeWatched() {
    for (WatchedNode* node = watchedHead.load(); node; node = node->next) {
        if (!node->inUse.load()) continue;
#ifdef _WIN32
        // The engine opens its files shareable for removal, so this
        // succeeds while the file is open; it goes when the process does.
        DeleteFileA(node->path.get());
#else
        unlink(node->path.get());
#endif
    }
}

// Interruptions held off while a result set moves its files into place:
// the number of holds, and a signal that arrived meanwhile.
std::atomic<int> interruptionHolds{0};
std::atomic<int> pendingSignal{0};

void removeWatchedAndRaise(int sig) {
    removeWatched();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// The signal is noted first; whoever finds no hold, this handler or the
// last hold going, takes it and ends the process.
extern "C" void removeWatchedAndExit(int sig) {
    pendingSignal.store(sig);
    if (interruptionHolds.load() > 0) return;
    if (const int taken = pendingSignal.exchange(0)) removeWatchedAndRaise(taken);
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

#ifdef _WIN32
// Ctrl-C, Ctrl-Break, the closing of the console window, log-off and
// shutdown arrive here, on a thread of their own. The process ends at once,
// as it would without the handler, after removing the watched files. A
// Ctrl-C that the caller disabled (a process started in its own group, or
// with Ctrl-C ignored) never reaches the handler.
BOOL WINAPI removeWatchedOnControl(DWORD) {
    while (interruptionHolds.load() > 0) Sleep(1);
    removeWatched();
    restoreConsoleOutputCodePage();
    TerminateProcess(GetCurrentProcess(), kInterruptedStatus);
    return TRUE;
}
#endif

}  // namespace

void prepareProcess() {
    static std::once_flag once;
    std::call_once(once, [] {
#ifdef _WIN32
        hookUnlessIgnored(SIGTERM);
        SetConsoleCtrlHandler(removeWatchedOnControl, TRUE);
        showUtf8OnConsole();
#else
        hookUnlessIgnored(SIGINT);
        hookUnlessIgnored(SIGTERM);
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
    auto node = std::make_unique<WatchedNode>();
    node->path = std::make_unique<char[]>(path.size() + 1);
    std::memcpy(node->path.get(), path.c_str(), path.size() + 1);
    std::lock_guard<std::mutex> lock(watchedMutex);
    node->next = watchedHead.load();
    watchedByPath().emplace(path, node.get());
    watchedHead.store(node.release());
}

void forgetTemporaryFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(watchedMutex);
    auto& byPath = watchedByPath();
    const auto found = byPath.find(path);
    if (found == byPath.end()) return;
    found->second->inUse.store(false);
    byPath.erase(found);
}

void removeWatchedFiles() { removeWatched(); }

InterruptionHold::InterruptionHold() { interruptionHolds.fetch_add(1); }

InterruptionHold::~InterruptionHold() {
    if (interruptionHolds.fetch_sub(1) != 1) return;
#ifndef _WIN32
    if (const int taken = pendingSignal.exchange(0)) removeWatchedAndRaise(taken);
#endif
}

}  // namespace ruz::platform
