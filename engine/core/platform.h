// The only place that knows the operating system: the console key wait,
// the directory separator, and the clean-up of temporary files when the
// process is interrupted.
#pragma once

#include <string>

namespace ruz::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Both separators are accepted when a path is taken apart.
inline constexpr bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

// Waits for one key. On a terminal the key is read without echo; otherwise
// one byte of standard input is read, and the end of input returns at once,
// so a run from a script or a pipeline never hangs.
void waitKey();

// Temporary files named here are removed if the process is interrupted
// (Ctrl-C, termination) before it forgets them again; a normal end removes
// them through their owners.
void watchTemporaryFile(const std::string& path);
void forgetTemporaryFile(const std::string& path);

}  // namespace ruz::platform
