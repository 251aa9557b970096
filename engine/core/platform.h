// The only place that knows the operating system: the console key wait and
// the directory separator.
#pragma once

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

}  // namespace ruz::platform
