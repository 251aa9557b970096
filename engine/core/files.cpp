#include "files.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform.h"

namespace ruz {

namespace {

constexpr std::size_t kWriteBuffer = std::size_t{1} << 20;

// Opens and refuses what is not a regular file: a directory opens on some
// systems and then fails at the first read, a FIFO would block the run
// until some other program writes to it.
FilePtr openRegular(const std::string& path, const char* mode) {
    if (std::string_view(mode) == "rb") return FilePtr(platform::openRegularForReading(path));
    FilePtr file(platform::openPath(path, mode));
    if (file && !platform::isRegularFile(file.get())) file.reset();
    return file;
}

}  // namespace

Outcome<FilePtr> openFile(const std::string& path, const char* mode) {
    FilePtr file = openRegular(path, mode);
    if (!file) return failure("\ni can't open ", path);
    return file;
}

Outcome<FilePtr> openStream(const std::string& path) {
    FilePtr file = openRegular(path, "rb");
    if (!file) return failure("\ni can't open\n", path);
    return file;
}

bool readAll(std::FILE* file, std::string& bytes) {
    bytes.clear();
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    return std::ferror(file) == 0;
}

std::int64_t fileSize(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p = platform::fileSystemPath(path);
    if (!std::filesystem::is_regular_file(p, ec) || ec) return -1;
    const auto size = std::filesystem::file_size(p, ec);
    if (ec) return -1;
    return static_cast<std::int64_t>(size);
}

std::string baseName(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot != std::string_view::npos) path = path.substr(0, dot);
    if (path.empty()) return {};
    std::size_t last = path.size() - 1;
    if (platform::isPathSeparator(path[last])) {
        if (last == 0) return {};
        --last;
    }
    std::size_t first = 0;
    for (std::size_t i = last + 1; i-- > 0;) {
        if (platform::isPathSeparator(path[i])) {
            first = i + 1;
            break;
        }
    }
    return std::string(path.substr(first, last + 1 - first));
}

std::string companionPath(std::string_view path, std::string_view suffix) {
    std::size_t nameStart = 0;
    for (std::size_t i = path.size(); i-- > 0;) {
        if (platform::isPathSeparator(path[i])) {
            nameStart = i + 1;
            break;
        }
    }
    const std::size_t dot = path.rfind('.');
    std::string companion(dot != std::string_view::npos && dot >= nameStart ? path.substr(0, dot) : path);
    companion.append(suffix);
    return companion;
}

std::string directoryOf(std::string_view path) {
    for (std::size_t i = path.size(); i-- > 0;)
        if (platform::isPathSeparator(path[i])) return std::string(path.substr(0, i + 1));
    return {};
}

std::string directoryPrefix(std::string_view directory) {
    std::string prefix(directory);
    prefix += platform::kPathSeparator;
    return prefix;
}

Outcome<std::string> resultPrefix(std::string_view diRes) {
    if (diRes.empty()) return failure("\nparameter diRes is empty: no result directory is given");
    return directoryPrefix(diRes);
}

void removeFile(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(platform::fileSystemPath(path), ec);
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const bool same =
        std::filesystem::equivalent(platform::fileSystemPath(a), platform::fileSystemPath(b), ec);
    return !ec && same;
}

Outcome<void> closeWritten(FilePtr& file, const std::string& shownPath) {
    if (!file) return failure("\ni can't write ", shownPath);
    const bool ok = std::ferror(file.get()) == 0 && std::fflush(file.get()) == 0;
    const bool closed = std::fclose(file.release()) == 0;
    if (ok && closed) return {};
    return failure("\ni can't write ", shownPath);
}

// ---------------------------------------------------------------------------
// Temporary files

TempFile::TempFile(std::string path, FilePtr file) : path_(std::move(path)), file_(std::move(file)) {}

TempFile::TempFile(TempFile&& other) noexcept
    : path_(std::move(other.path_)), buffer_(std::move(other.buffer_)), file_(std::move(other.file_)) {
    other.path_.clear();
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
    if (this != &other) {
        discard();
        path_ = std::move(other.path_);
        buffer_ = std::move(other.buffer_);
        file_ = std::move(other.file_);
        other.path_.clear();
    }
    return *this;
}

TempFile::~TempFile() { discard(); }

std::string temporaryName(const std::string& stem) {
    // The process token makes the name unique among the runs of this
    // machine; the counter among the files of this run.
    static std::atomic<unsigned> counter{0};
    return stem + "." + platform::processToken() + "-" + std::to_string(++counter) + ".tmp";
}

Outcome<TempFile> TempFile::create(const std::string& stem, const std::string& shownPath) {
    // A name that exists anyway (another machine on a shared disk) is
    // skipped.
    constexpr int kAttempts = 100;
    std::string path;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        path = temporaryName(stem);
        errno = 0;
        if (std::FILE* f = platform::createExclusive(path)) {
            platform::watchTemporaryFile(path);
            return TempFile(path, FilePtr(f));
        }
        if (errno != EEXIST) break;
    }
    return failure("\ni can't open ", shownPath.empty() ? path : shownPath);
}

void TempFile::bufferWrites() {
    if (!file_ || buffer_) return;
    buffer_ = std::make_unique<char[]>(kWriteBuffer);
    std::setvbuf(file_.get(), buffer_.get(), _IOFBF, kWriteBuffer);
}

Outcome<void> TempFile::closeWritten(const std::string& shownPath) {
    auto closed = ruz::closeWritten(file_, shownPath.empty() ? path_ : shownPath);
    // A run may keep thousands of written files until it commits them: the
    // buffer goes with the file.
    if (!file_) buffer_.reset();
    return closed;
}

bool TempFile::moveTo(const std::string& target) {
    file_.reset();
    if (path_.empty() || !platform::replaceFile(path_, target)) return false;
    platform::forgetTemporaryFile(path_);
    path_.clear();
    return true;
}

bool TempFile::moveNoReplace(const std::string& target) {
    file_.reset();
    if (path_.empty() || !platform::moveNoReplace(path_, target)) return false;
    platform::forgetTemporaryFile(path_);
    path_.clear();
    return true;
}

void TempFile::discard() {
    file_.reset();
    if (path_.empty()) return;
    removeFile(path_);
    platform::forgetTemporaryFile(path_);
    path_.clear();
}

// ---------------------------------------------------------------------------
// Result files

ResultFile::ResultFile(std::string path, TempFile temp) : path_(std::move(path)), temp_(std::move(temp)) {}

Outcome<ResultFile> ResultFile::create(const std::string& finalPath,
                                       std::initializer_list<std::string> inputs) {
    return create(finalPath, std::span<const std::string>(inputs.begin(), inputs.size()));
}

Outcome<ResultFile> ResultFile::create(const std::string& finalPath, std::span<const std::string> inputs) {
    for (const std::string& input : inputs) {
        if (!input.empty() && sameFile(finalPath, input))
            return failure("\nresult file ", finalPath, " is an input of this run");
    }
    // On Windows a colon would put the result into a hidden stream of
    // another file, and a final dot would be dropped without a word.
    if (!platform::fileNameAllowed(finalPath))
        return failure("\nresult file ", finalPath, " has a name that the system does not allow");
    auto temp = TempFile::create(finalPath, finalPath);
    if (!temp) return temp.failure();
    temp->bufferWrites();
    return ResultFile(finalPath, std::move(*temp));
}

Outcome<void> ResultFile::close() {
    if (closed_) return {};
    if (auto closedNow = temp_.closeWritten(path_); !closedNow) {
        temp_.discard();
        return closedNow;
    }
    closed_ = true;
    return {};
}

Outcome<void> ResultFile::commit() {
    if (auto closedNow = close(); !closedNow) return closedNow;
    if (!temp_.moveTo(path_)) {
        temp_.discard();
        return failure("\ni can't write ", path_);
    }
    return {};
}

bool ResultFile::moveIntoFreePlace() { return closed_ && temp_.moveNoReplace(path_); }

// ---------------------------------------------------------------------------
// Result sets

namespace {

enum class Occupant { None, File, Other };

// What holds a name now: nothing, a file (or a symbolic link, which is
// moved as itself), or something a result must not replace (a folder).
Occupant occupantOf(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(platform::fileSystemPath(path), ec);
    if (ec || status.type() == std::filesystem::file_type::not_found) return Occupant::None;
    if (status.type() == std::filesystem::file_type::regular ||
        status.type() == std::filesystem::file_type::symlink)
        return Occupant::File;
    return Occupant::Other;
}

// An earlier file moved aside while a set is committed, to go back when
// the commit fails.
struct AsideFile {
    std::string name;
    std::string aside;
};

// Moves the file `name` aside, under a name unique to the run; false when
// it cannot be moved.
bool moveAside(const std::string& name, std::vector<AsideFile>& aside) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string to = temporaryName(name + ".earlier");
        if (platform::moveNoReplace(name, to)) {
            aside.push_back({name, std::move(to)});
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

void restoreAside(const std::vector<AsideFile>& aside) {
    for (auto f = aside.rbegin(); f != aside.rend(); ++f) platform::replaceFile(f->aside, f->name);
}

}  // namespace

ResultSet::ResultSet(std::vector<std::string> inputs) : inputs_(std::move(inputs)) {}

Outcome<ResultFile*> ResultSet::create(const std::string& finalPath) {
    auto file = ResultFile::create(finalPath, inputs_);
    if (!file) return file.failure();
    files_.push_back(std::make_unique<ResultFile>(std::move(*file)));
    return files_.back().get();
}

void ResultSet::replaces(std::string path) { replaced_.push_back(std::move(path)); }

Outcome<void> ResultSet::commit() {
    const auto fail = [&](std::string path) -> Outcome<void> {  // a copy: the set's names go first
        files_.clear();
        replaced_.clear();
        return failure("\ni can't write ", path);
    };
    for (auto& file : files_) {
        if (auto closed = file->close(); !closed) {
            files_.clear();
            replaced_.clear();
            return closed;
        }
    }
    // From here to the end the set is moved as one: an interruption waits.
    const platform::InterruptionHold hold;
    std::vector<AsideFile> aside;
    std::vector<const std::string*> names;
    for (const auto& file : files_) names.push_back(&file->path());
    for (const std::string& path : replaced_) names.push_back(&path);
    for (const std::string* name : names) {
        const Occupant occupant = occupantOf(*name);
        if (occupant == Occupant::None) continue;
        if (occupant == Occupant::Other || !moveAside(*name, aside)) {
            restoreAside(aside);
            return fail(*name);
        }
    }
    for (std::size_t i = 0; i < files_.size(); ++i) {
        if (files_[i]->moveIntoFreePlace()) continue;
        for (std::size_t j = 0; j < i; ++j) removeFile(files_[j]->path());
        restoreAside(aside);
        return fail(files_[i]->path());
    }
    for (const AsideFile& f : aside) removeFile(f.aside);
    files_.clear();
    replaced_.clear();
    return {};
}

void ResultSet::commitPartial() {
    for (auto& file : files_)
        if (file->close()) file->moveIntoFreePlace();
    files_.clear();
    replaced_.clear();
}

}  // namespace ruz
