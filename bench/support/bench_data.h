// Inputs and measurements shared by the benchmarks: random genomes and
// reads in letter or coded form, a scratch folder, wall time and peak memory.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

namespace ruz::bench {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t);

// Peak resident memory of this process so far, in MiB.
long peakMemoryMiB();

// A folder under the system's temporary folder, removed when it goes.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Random uppercase letters A, C, G, T.
std::string randomLetters(std::size_t length, std::mt19937_64& rng);

// The reverse complement of uppercase letters.
std::string reverseComplement(const std::string& letters);

// Letters to codes 0..3 (bytes), for coded genome and reads files.
std::string toCodes(const std::string& letters);

void writeBytes(const std::string& path, const std::string& bytes);

}  // namespace ruz::bench
