#include "platform.h"

#include <cstdio>

#ifdef _WIN32
#include <conio.h>
#include <io.h>
#else
#include <termios.h>
#include <unistd.h>
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

}  // namespace ruz::platform
