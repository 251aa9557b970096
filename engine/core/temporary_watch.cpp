// The temporary files to remove when the process is interrupted, and the
// hold that keeps an interruption waiting while a result set moves its
// files into place. The same on every system; the systems differ only in
// how a file is removed and how interruptions arrive (platform_posix.cpp,
// platform_windows.cpp).
#include <atomic>
#include <csignal>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform.h"
#include "platform_internal.h"

namespace ruz::platform {

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

// Interruptions held off while a result set moves its files into place:
// the number of holds, and a signal that arrived meanwhile.
std::atomic<int> interruptionHolds{0};
std::atomic<int> pendingSignal{0};

void removeWatchedAndRaise(int sig) {
    detail::removeWatched();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

namespace detail {

void removeWatched() {
    for (WatchedNode* node = watchedHead.load(); node; node = node->next)
        if (node->inUse.load()) removeForInterruption(node->path.get());
}

// The signal is noted first; whoever finds no hold, this handler or the
// last hold going, takes it and ends the process.
void interrupt(int sig) {
    pendingSignal.store(sig);
    if (interruptionHolds.load() > 0) return;
    if (const int taken = pendingSignal.exchange(0)) removeWatchedAndRaise(taken);
}

bool interruptionHeld() { return interruptionHolds.load() > 0; }

}  // namespace detail

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

void removeWatchedFiles() { detail::removeWatched(); }

InterruptionHold::InterruptionHold() { interruptionHolds.fetch_add(1); }

InterruptionHold::~InterruptionHold() {
    if (interruptionHolds.fetch_sub(1) != 1) return;
    if (const int taken = pendingSignal.exchange(0)) removeWatchedAndRaise(taken);
}

}  // namespace ruz::platform
