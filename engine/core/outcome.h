// Failures as values: a step that cannot go on returns what the console is
// to say, and the caller that ends the run prints it once. Nothing deep
// inside a loader prints or waits for a key.
#pragma once

#include <sstream>
#include <string>
#include <utility>
#include <variant>

namespace ruz {

// What the console says when a step fails, and whether a key wait follows
// (every message but the memory messages of the index builders).
struct Failure {
    std::string message;
    bool waitsForKey = true;
};

// The message made of `parts`, each written as the console writes it.
template <typename... Parts>
Failure failure(const Parts&... parts) {
    std::ostringstream text;
    (text << ... << parts);
    return {text.str(), true};
}

// The same without the key wait.
template <typename... Parts>
Failure failureWithoutWait(const Parts&... parts) {
    Failure f = failure(parts...);
    f.waitsForKey = false;
    return f;
}

// A value, or the failure that stands in its place.
template <typename T>
class [[nodiscard]] Outcome {
public:
    Outcome(T value) : state_(std::move(value)) {}
    Outcome(Failure failure) : state_(std::move(failure)) {}

    explicit operator bool() const { return state_.index() == 0; }
    T& operator*() { return std::get<0>(state_); }
    const T& operator*() const { return std::get<0>(state_); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }
    const Failure& failure() const { return std::get<1>(state_); }

private:
    std::variant<T, Failure> state_;
};

// Success without a value, or a failure.
template <>
class [[nodiscard]] Outcome<void> {
public:
    Outcome() = default;
    Outcome(Failure failure) : failure_(std::move(failure)), failed_(true) {}

    explicit operator bool() const { return !failed_; }
    const Failure& failure() const { return failure_; }

private:
    Failure failure_;
    bool failed_ = false;
};

// How an analysis ended when it did not fail: it ran to its end, or it
// stopped early after saying why on the console at the moment it happened
// (a reads file cut by an over-long line), its report covering what was
// read. A failure of the analysis is a Failure, printed by the entry.
enum class RunEnd { Complete, Stopped };

using RunOutcome = Outcome<RunEnd>;

}  // namespace ruz
