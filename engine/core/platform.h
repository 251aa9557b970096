// The only place that knows the operating system: the console key wait,
// the directory separator, exclusive creation and replacing renames of
// files, and the clean-up of temporary files when the process is
// interrupted.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

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
// process.
void prepareProcess();

// True when standard input is a terminal: only then does the engine wait
// for keys.
bool stdinIsTerminal();

// Waits for one key, without echo, when standard input is a terminal;
// returns at once otherwise, so a run from a script or a pipeline never
// hangs.
void waitKey();

// A text unique to this process among the processes running now (its id).
std::string processToken();

// Creates a new file for binary writing, failing when anything of that name
// exists (a file, a directory or a symbolic link): a file opened here was
// made by this run. Returns null on failure.
std::FILE* createExclusive(const std::string& path);

// Renames `from` to `to`, replacing a file of that name. False on failure.
bool replaceFile(const std::string& from, const std::string& to);

// True when the open file is a regular file (not a directory or a device
// that cannot be read as data).
bool isRegularFile(std::FILE* file);

// Asks the system to back a large block with huge pages, which saves the
// address translations that random look-ups into an index otherwise miss.
// Best called before the block is first written. A hint: it may do nothing.
void adviseHugePages(void* block, std::size_t bytes);

// Temporary files named here are removed if the process is interrupted
// (Ctrl-C, termination, hang-up) before it forgets them again; a normal end
// removes them through their owners.
void watchTemporaryFile(const std::string& path);
void forgetTemporaryFile(const std::string& path);

}  // namespace ruz::platform
