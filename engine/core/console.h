// The engine's console: where messages go and how the engine waits for a key.
//
// Messages follow one rule: each begins with a line feed and ends without
// one, so the next message continues the line. The key wait flushes first,
// so the user always sees the message it waits after. Every message is
// flushed, so a reader at the other end of a pipe sees it live; texts
// printed per read go through sayOften(), flushed at most every tenth of a
// second.
// Tests give the console a string stream and a counting key wait.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>

#include "outcome.h"
#include "progress.h"

namespace ruz {

class Console {
public:
    Console(std::ostream& out, std::function<void()> keyWait)
        : out_(out), keyWait_(std::move(keyWait)) {}

    template <typename... Parts>
    Console& say(const Parts&... parts) {
        if (progress_) progress_->finish();
        (out_ << ... << parts);
        out_.flush();
        return *this;
    }

    // For texts printed once per read: the same output, flushed at most
    // every tenth of a second.
    template <typename... Parts>
    Console& sayOften(const Parts&... parts) {
        (out_ << ... << parts);
        const auto now = std::chrono::steady_clock::now();
        if (now - lastFlush_ >= kFlushInterval) {
            out_.flush();
            lastFlush_ = now;
        }
        return *this;
    }

    // A progress line on the same terminal is cleared before each message.
    void showsProgress(Progress* progress) { progress_ = progress; }

    void waitKey() {
        out_.flush();
        ++keyWaits_;
        if (keyWait_) keyWait_();
    }

    // Prints the message, then waits for a key: the shape of every error.
    template <typename... Parts>
    void fail(const Parts&... parts) {
        say(parts...);
        waitKey();
    }

    // Prints a failure's message, with its key wait.
    void report(const Failure& failure) {
        say(failure.message);
        if (failure.waitsForKey) waitKey();
    }

    int keyWaits() const { return keyWaits_; }
    std::ostream& stream() { return out_; }

private:
    static constexpr auto kFlushInterval = std::chrono::milliseconds(100);

    std::ostream& out_;
    std::chrono::steady_clock::time_point lastFlush_{};
    std::function<void()> keyWait_;
    int keyWaits_ = 0;
    Progress* progress_ = nullptr;
};

// A console that records everything into a string and never blocks.
class RecordingConsole {
public:
    RecordingConsole() : console_(text_, nullptr) {}
    Console& console() { return console_; }
    std::string text() const { return text_.str(); }
    int keyWaits() const { return console_.keyWaits(); }

private:
    std::ostringstream text_;
    Console console_;
};

}  // namespace ruz
