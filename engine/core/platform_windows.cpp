// The platform layer on Windows: see platform.h.
#include "platform.h"
#include "platform_internal.h"

#if defined(_WIN32)

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

namespace ruz::platform {

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

bool stdinIsTerminal() {
    // A console, not merely a character device: NUL is one too, and a key
    // wait would then read the console the user is not typing into.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool errorStreamIsTerminal() {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(error, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void waitKey() {
    std::fflush(stdout);
    if (!stdinIsTerminal()) return;
    // Function and arrow keys come as two codes: both are taken, so the
    // second does not answer the next wait.
    const int key = _getch();
    if (key == 0 || key == 0xE0) (void)_getch();
}

std::string executablePath(const char* argv0) {
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
    return argv0 ? std::string(argv0) : std::string();
}

std::string processToken() {
    return std::to_string(_getpid());
}

std::FILE* openPath(const std::string& path, const char* mode) {
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
}

std::FILE* openRegularForReading(const std::string& path) {
    std::FILE* file = openPath(path, "rb");
    if (file && !isRegularFile(file)) {
        std::fclose(file);
        errno = EINVAL;
        return nullptr;
    }
    return file;
}

std::FILE* createExclusive(const std::string& path) {
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
}

bool replaceFile(const std::string& from, const std::string& to) {
    const std::wstring wideFrom = widePath(from);
    const std::wstring wideTo = widePath(to);
    return !wideFrom.empty() && !wideTo.empty() &&
           MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool moveNoReplace(const std::string& from, const std::string& to) {
    const std::wstring wideFrom = widePath(from);
    const std::wstring wideTo = widePath(to);
    if (wideFrom.empty() || wideTo.empty()) {
        errno = EINVAL;
        return false;
    }
    if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), 0) != 0) return true;
    setErrnoFromLastError();
    return false;
}

std::filesystem::path fileSystemPath(const std::string& path) {
    const std::wstring wide = widePath(path);
    if (!wide.empty() || path.empty()) return std::filesystem::path(wide);
    return std::filesystem::path(path);
}

bool fileNameAllowed(std::string_view path) {
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
}

// Large pages need a privilege on Windows; the hint is not given.
void adviseHugePages(void*, std::size_t) {}

bool isRegularFile(std::FILE* file) {
    struct _stat64 st {};
    return _fstat64(_fileno(file), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
}

namespace {

extern "C" void interruptAndRemoveWatched(int sig) { detail::interrupt(sig); }

// Installs the clean-up handler unless the caller chose to ignore the
// signal: an inherited ignore stays.
void hookUnlessIgnored(int sig) {
    void (*previous)(int) = std::signal(sig, interruptAndRemoveWatched);
    if (previous == SIG_IGN) std::signal(sig, SIG_IGN);
}

// Ctrl-C, Ctrl-Break, the closing of the console window, log-off and
// shutdown arrive here, on a thread of their own. The process ends at once,
// as it would without the handler, after removing the watched files (once a
// result set has moved its files). A Ctrl-C that the caller disabled (a
// process started in its own group, or with Ctrl-C ignored) never reaches
// the handler.
BOOL WINAPI removeWatchedOnControl(DWORD) {
    while (detail::interruptionHeld()) Sleep(1);
    detail::removeWatched();
    restoreConsoleOutputCodePage();
    TerminateProcess(GetCurrentProcess(), kInterruptedStatus);
    return TRUE;
}

}  // namespace

namespace detail {

// The engine opens its files shareable for removal, so this succeeds while
// the file is open; it goes when the process does.
void removeForInterruption(const char* path) { DeleteFileA(path); }

}  // namespace detail

void prepareProcess() {
    static std::once_flag once;
    std::call_once(once, [] {
        hookUnlessIgnored(SIGTERM);
        SetConsoleCtrlHandler(removeWatchedOnControl, TRUE);
        showUtf8OnConsole();
    });
}

}  // namespace ruz::platform

#endif
