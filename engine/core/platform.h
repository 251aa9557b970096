// The only place that knows the operating system: the console key wait,
// the directory separator, the program's own path, opening, exclusive
// creation and replacing renames of files, the names a system refuses, and
// the clean-up of temporary files when the process is interrupted. One
// source a system (platform_posix.cpp, platform_windows.cpp); the watch of
// temporary files they share is temporary_watch.cpp.
//
// Paths are narrow texts throughout the engine. On Windows they are in the
// process's code page, which the program's manifest sets to UTF-8, so that
// a parameter file written in UTF-8 names any file; every function here
// reads and gives paths in that code page.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace ruz::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Both separators are accepted when a path is taken apart.
inline constexpr bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

// Prepares the process once at start: signals the caller left ignored stay
// ignored, interruptions remove the watched temporary files, and a closed
// pipe or the file-size limit turn into write errors instead of ending the
// process. On Windows the console also shows UTF-8 text while the program
// runs, and Ctrl-C, Ctrl-Break and the closing of the console window remove
// the watched files.
void prepareProcess();

// True when standard input is a terminal (on Windows: a console): only then
// does the engine wait for keys.
bool stdinIsTerminal();

// True when standard error is a terminal that takes the escape sequences
// which rewrite the current line (the progress line). On Windows a console,
// switched to take them; an older console that cannot be is no terminal
// here, so it never shows the sequences as text.
bool errorStreamIsTerminal();

// Waits for one key, without echo, when standard input is a terminal;
// returns at once otherwise, so a run from a script or a pipeline never
// hangs.
void waitKey();

// The path of the running program, whose folder holds the call file: the
// system's record of it (the module file name on Windows, /proc/self/exe on
// Linux), since the first argument may be a bare name that the shell found
// on the search path. Where the system keeps no record, the first argument
// as given (`argv0`, which may be null).
std::string executablePath(const char* argv0);

// A text unique to this process among the processes running now (its id).
std::string processToken();

// Opens a file with a C mode ("rb", "wb", ...). On Windows the file is
// opened so that it can be removed while open, as on other systems: the
// clean-up after Ctrl-C removes a temporary file that is being read back.
// Returns null on failure, with errno set.
std::FILE* openPath(const std::string& path, const char* mode);

// Opens an existing regular file for binary reading. Anything else (a
// directory, a FIFO, a device, a socket) is refused before a byte is read,
// and a FIFO without a writer does not block the opening. Returns null on
// failure, with errno set (EISDIR or EINVAL for what is not a regular file).
std::FILE* openRegularForReading(const std::string& path);

// Creates a new file for binary writing, failing when anything of that name
// exists (a file, a directory or a symbolic link) or when the name is a
// device: a file opened here was made by this run. Returns null on failure,
// with errno EEXIST when the name exists.
std::FILE* createExclusive(const std::string& path);

// Renames `from` to `to`, replacing a file of that name. False on failure.
bool replaceFile(const std::string& from, const std::string& to);

// Renames `from` to `to` only when nothing of the name `to` exists. False
// on failure, with errno EEXIST when the name is taken.
bool moveNoReplace(const std::string& from, const std::string& to);

// A path as the standard file-system library takes it. On Windows the
// library would read a narrow text byte by byte; this reads it in the
// process's code page, as the C library's functions do.
std::filesystem::path fileSystemPath(const std::string& path);

// False when the system would not store a file under the last component of
// `path` as written: on Windows a name holding < > : " | ? * or a control
// character (a colon names a hidden stream of another file), ending in a
// dot or a space (dropped silently), or naming a device (CON, PRN, AUX,
// NUL, COM1-COM9, LPT1-LPT9, with any extension). Always true elsewhere,
// where only the separator and NUL are refused and no composed name holds
// them.
bool fileNameAllowed(std::string_view path);

// True when the open file is a regular file (not a directory or a device
// that cannot be read as data).
bool isRegularFile(std::FILE* file);

// Asks the system to back a large block with huge pages, which saves the
// address translations that random look-ups into an index otherwise miss.
// Best called before the block is first written. A hint: it may do nothing.
void adviseHugePages(void* block, std::size_t bytes);

// Temporary files named here are removed if the process is interrupted
// (Ctrl-C, termination, hang-up) before it forgets them again; a normal end
// removes them through their owners. Any number of files, of any path
// length, can be watched at once.
void watchTemporaryFile(const std::string& path);
void forgetTemporaryFile(const std::string& path);

// Removes every watched file now: the last act of a process that cannot go
// on (an exception that escaped a thread).
void removeWatchedFiles();

// While an object of this class lives, an interruption waits: the
// interrupting signal (or console event) takes effect when the last one
// goes. A result set holds one while it moves its files into place, so an
// interruption never leaves a set half old, half new.
class InterruptionHold {
public:
    InterruptionHold();
    ~InterruptionHold();
    InterruptionHold(const InterruptionHold&) = delete;
    InterruptionHold& operator=(const InterruptionHold&) = delete;
};

}  // namespace ruz::platform
