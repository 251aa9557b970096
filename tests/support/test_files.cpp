#include "support/test_files.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#include <sys/wait.h>
#include <unistd.h>

namespace ruz::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    for (;;) {
        path_ = fs::temp_directory_path() /
                ("ruz-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        if (fs::create_directory(path_)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::vector<std::string> TempDir::listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) { return fs::exists(path); }

std::string record(const std::string& name, const std::string& value, const std::string& type) {
    return "comment of " + name + "\n" + type + "\n" + name + "\n" + value + "\n";
}

std::string coded(std::string_view letters) {
    std::string codes(letters);
    for (char& c : codes) {
        const auto code = std::string_view("ACGT").find(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        if (code != std::string_view::npos) c = static_cast<char>(code);
    }
    return codes;
}

std::string reverseComplement(std::string_view letters) {
    std::string rc(letters.rbegin(), letters.rend());
    for (char& c : rc) {
        const auto at = std::string_view("ACGT").find(c);
        if (at != std::string_view::npos) c = "TGCA"[at];
    }
    return rc;
}

FixedGenome::FixedGenome(int length, unsigned seed) {
    std::mt19937 rng(seed);
    for (int i = 0; i < length; ++i) bases += "ACGT"[rng() >> 30];
}

std::string FixedGenome::lower(int a, int b) const {
    std::string text = span(a, b);
    for (char& c : text) c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string shellQuoted(const std::string& text) {
    std::string q = "'";
    for (char c : text) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

ProcessResult runCommand(const std::string& command, const TempDir& scratch) {
    const std::string out = scratch.file(".stdout"), err = scratch.file(".stderr");
    const std::string full = "(" + command + ") </dev/null >" + shellQuoted(out) + " 2>" + shellQuoted(err);
    const int status = std::system(full.c_str());
    ProcessResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readFile(out);
    r.err = readFile(err);
    fs::remove(out);
    fs::remove(err);
    return r;
}

}  // namespace ruz::test
