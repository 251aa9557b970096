// Work on several threads with results that do not depend on their number.
//
// scanBatches reads a reads file in batches of consecutive lines. The work
// on a batch may run on any thread, at the same time as the work on other
// batches; the merge of the batches runs one at a time in the file's order.
// Whatever the number of threads, every batch holds the same lines and the
// merges see the same results in the same order, so everything the merge
// writes is identical. A merge that returns false stops the scan: no later
// batch is merged (batches read ahead are dropped), which keeps stop rules
// exact.
//
// With oneTBB the batches flow through an ordered parallel_pipeline (serial
// reading, parallel work, serial in-order merge) inside a task arena of the
// requested size; without it, or with one thread, they run one after the
// other on the calling thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "context.h"
#include "reads.h"

#if RUZ_HAVE_TBB
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/parallel_pipeline.h>
#include <oneapi/tbb/task_arena.h>
#endif

namespace ruz {

// Lines per batch: large enough that handing a batch between threads costs
// little against its work, small enough that a few batches per thread fit
// the caches.
inline constexpr std::size_t kBatchLines = 4096;

// The number of threads the machine offers this process.
int availableThreads();

// A run works on at most this many threads a processor: more give no speed
// and only cost memory (each thread holds batches in flight).
inline constexpr int kThreadsPerProcessor = 8;

// The most threads a run may ask for: kThreadsPerProcessor a processor.
int threadLimit();

// How many of `wanted` threads (the calling one included) the system lets
// this process start now: each is started and waits until all are, then
// all end. Less than `wanted` when the system refuses one (a process limit,
// too little memory for the stacks).
int startableThreads(int wanted);

// Allows up to `threads` threads at once for as long as it lives, even more
// than the machine has processors (the user asked for them).
class ThreadAllowance {
public:
    explicit ThreadAllowance(int threads);
    ~ThreadAllowance();
    ThreadAllowance(const ThreadAllowance&) = delete;
    ThreadAllowance& operator=(const ThreadAllowance&) = delete;

private:
    struct Control;
    std::unique_ptr<Control> control_;
};

namespace detail {

template <typename Result>
struct BatchSlot {
    ReadBatch batch;
    Result result;
};

// A fixed set of slots handed out and back; there are as many as batches in
// flight, so taking never finds it empty.
template <typename Result>
class SlotPool {
public:
    explicit SlotPool(std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) owned_.push_back(std::make_unique<BatchSlot<Result>>());
        for (auto& slot : owned_) free_.push_back(slot.get());
    }
    BatchSlot<Result>* take() {
        std::lock_guard<std::mutex> lock(mutex_);
        BatchSlot<Result>* slot = free_.back();
        free_.pop_back();
        return slot;
    }
    void give(BatchSlot<Result>* slot) {
        std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(slot);
    }

private:
    std::vector<std::unique_ptr<BatchSlot<Result>>> owned_;
    std::vector<BatchSlot<Result>*> free_;
    std::mutex mutex_;
};

}  // namespace detail

// work(ReadBatch&, Result&): the batch's lines may be changed in place; the
// Result object is reused from batch to batch, so work starts by clearing it.
// merge(ReadBatch&, Result&) -> bool: false stops the scan.
template <typename Result, typename Work, typename Merge>
void scanBatches(ReadsFile& reads, int threads, Work&& work, Merge&& merge,
                 std::size_t batchLines = kBatchLines) {
#if RUZ_HAVE_TBB
    if (threads > 1) {
        using Slot = detail::BatchSlot<Result>;
        const auto tokens = static_cast<std::size_t>(threads) * 2;
        detail::SlotPool<Result> pool(tokens);
        std::atomic<bool> stopped{false};
        tbb::task_arena arena(threads);
        arena.execute([&] {
            tbb::parallel_pipeline(
                tokens,
                tbb::make_filter<void, Slot*>(
                    tbb::filter_mode::serial_in_order,
                    [&](tbb::flow_control& control) -> Slot* {
                        if (stopped.load()) {
                            control.stop();
                            return nullptr;
                        }
                        Slot* slot = pool.take();
                        if (!reads.nextBatch(slot->batch, batchLines)) {
                            pool.give(slot);
                            control.stop();
                            return nullptr;
                        }
                        return slot;
                    }) &
                    tbb::make_filter<Slot*, Slot*>(tbb::filter_mode::parallel,
                                                   [&](Slot* slot) {
                                                       if (!stopped.load()) work(slot->batch, slot->result);
                                                       return slot;
                                                   }) &
                    tbb::make_filter<Slot*, void>(tbb::filter_mode::serial_in_order, [&](Slot* slot) {
                        if (!stopped.load() && !merge(slot->batch, slot->result)) stopped.store(true);
                        pool.give(slot);
                    }));
        });
        return;
    }
#endif
    (void)threads;
    detail::BatchSlot<Result> slot;
    while (reads.nextBatch(slot.batch, batchLines)) {
        work(slot.batch, slot.result);
        if (!merge(slot.batch, slot.result)) return;
    }
}

// scanBatches on the run's threads, with the reads done shown as the
// progress of the phase `phase`.
template <typename Result, typename Work, typename Merge>
void scanBatches(RunContext& context, ReadsFile& reads, std::string_view phase, Work&& work,
                 Merge&& merge, std::size_t batchLines = kBatchLines) {
    context.progress.phase(phase);
    scanBatches<Result>(
        reads, context.threads, std::forward<Work>(work),
        [&](ReadBatch& batch, Result& result) {
            const bool goOn = merge(batch, result);
            context.progress.reads(batch.firstLine() + static_cast<std::int64_t>(batch.size()) - 1);
            return goOn;
        },
        batchLines);
    context.progress.finish();
}

// Calls body(i) for i in [0, n) on up to `threads` threads; the calls must
// not depend on each other.
template <typename Body>
void parallelFor(int threads, std::size_t n, Body&& body) {
#if RUZ_HAVE_TBB
    if (threads > 1 && n > 1) {
        tbb::task_arena arena(threads);
        arena.execute([&] {
            tbb::parallel_for(std::size_t{0}, n, [&](std::size_t i) { body(i); });
        });
        return;
    }
#endif
    (void)threads;
    for (std::size_t i = 0; i < n; ++i) body(i);
}

}  // namespace ruz
