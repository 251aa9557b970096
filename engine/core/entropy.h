// Shannon entropy of a group of keyed records, in natural-log units (nats).
//
// The group is sorted in place by key (keys compare as unsigned 32-bit
// numbers, so 16-letter codes order correctly); the tally receives one
// (key, count) pair per distinct key in ascending key order. With counts c
// over n records: H = ln(n) - (sum of c*ln(c)) / n = -sum (c/n)*ln(c/n).
// A group of one key has entropy 0; n different keys give ln(n).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ruz {

// Two 32-bit fields; the second is the key, the first is carried along.
struct KeyedRecord {
    std::uint32_t value;
    std::uint32_t key;
};

struct KeyCount {
    std::uint32_t key;
    std::uint32_t count;
};

// Orders `records` by value, ascending, in passes over one byte of the value
// each (the bytes that differ between records only), through `scratch`,
// which grows to the records' size. Equal values keep their order.
void sortByValue(std::vector<KeyedRecord>& records, std::vector<KeyedRecord>& scratch);

// n = group.size() must be at least 1.
double entropyOfGroup(std::span<KeyedRecord> group, std::vector<KeyCount>& tally);

}  // namespace ruz
