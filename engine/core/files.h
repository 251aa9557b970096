// File helpers of the engine: the two openers with their messages, file
// sizes, base names and path composition, temporary files that only this
// run created and that never stay, and the result files of a run, which
// land together or not at all. Failures are returned, never printed here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "outcome.h"

namespace ruz {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The file opener: opens a file with a C mode ("rb" for genomes and binary
// inputs). What is not a regular file is refused like a missing one.
// Failure: "\ni can't open " + path.
Outcome<FilePtr> openFile(const std::string& path, const char* mode);

// The stream opener: opens a file for reading in binary mode (call file,
// reads files, task lists, list files). What is not a regular file is
// refused. Failure: "\ni can't open\n" + path.
Outcome<FilePtr> openStream(const std::string& path);

// Reads a whole small file that is already open; false on a read error.
bool readAll(std::FILE* file, std::string& bytes);

// Size of the file in bytes, or -1 when its status cannot be read or it is
// not a regular file.
std::int64_t fileSize(const std::string& path);

// File name of a path without its directory and extension. The extension is
// cut at the last '.' of the whole path first; then one trailing separator is
// ignored and the name starts after the nearest separator ('\' or '/').
std::string baseName(std::string_view path);

// A file written beside another: the path without the extension of its
// file name (from the name's last '.') followed by `suffix`. "d/s1.bin" +
// "_In.bin" gives "d/s1_In.bin"; a dot in a directory name is not an
// extension ("d.x/s1" gives "d.x/s1_In.bin").
std::string companionPath(std::string_view path, std::string_view suffix);

// The directory prefix of a path: everything up to and including its last
// separator ('\' or '/'); empty when it has none.
std::string directoryOf(std::string_view path);

// A directory as the analyses use it: the directory text with the
// platform's separator appended.
std::string directoryPrefix(std::string_view directory);

// The result directory `diRes` as a prefix. An empty directory is refused
// with a message naming the parameter: its prefix would be the file
// system's root.
Outcome<std::string> resultPrefix(std::string_view diRes);

// Removes a file; a missing file is not an error.
void removeFile(const std::string& path);

// True when both paths name one existing file.
bool sameFile(const std::string& a, const std::string& b);

// Closes a written file; fails with "\ni can't write " + shownPath unless
// every byte reached it.
Outcome<void> closeWritten(FilePtr& file, const std::string& shownPath);

// A name unique to this run among the runs of this machine: `stem` + "." +
// a token of the process + "-" + a counter + ".tmp".
std::string temporaryName(const std::string& stem);

// A file this run created for writing, under a name unique to the run
// (temporaryName). It is created exclusively (never over an existing file,
// never through a symbolic link), watched so that an interruption removes
// it, and removed when the object goes unless it was renamed into place
// first.
class TempFile {
public:
    // Failure: "\ni can't open " + shownPath (the temporary path when
    // shownPath is empty).
    static Outcome<TempFile> create(const std::string& stem, const std::string& shownPath = {});

    TempFile(TempFile&& other) noexcept;
    TempFile& operator=(TempFile&& other) noexcept;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    std::FILE* get() const { return file_.get(); }
    const std::string& path() const { return path_; }

    // Gives the file a large write buffer (it stays with the object).
    void bufferWrites();
    // Checked close (see closeWritten); the file stays on disk.
    Outcome<void> closeWritten(const std::string& shownPath = {});
    // Renames the closed file to `target`, replacing a file of that name;
    // from then on the object owns nothing. False when the rename fails.
    bool moveTo(const std::string& target);
    // The same where nothing of the name `target` exists; false otherwise.
    bool moveNoReplace(const std::string& target);
    // Closes and removes the file now.
    void discard();

private:
    TempFile(std::string path, FilePtr file);

    std::string path_;
    std::unique_ptr<char[]> buffer_;  // declared before the file: the file closes first
    FilePtr file_;
};

// A report or log of an analysis. It is written under a temporary name in
// its final directory and renamed into place when it is complete and
// closed: an earlier file of that name survives every failure of the run,
// and a partial file never carries the final name. Messages name the final
// path. The files of one run go together through a ResultSet.
class ResultFile {
public:
    // Refuses a final path that names an existing input of the run
    // ("\nresult file " + path + " is an input of this run"), or that the
    // system would not store as written.
    static Outcome<ResultFile> create(const std::string& finalPath, std::span<const std::string> inputs);
    static Outcome<ResultFile> create(const std::string& finalPath,
                                      std::initializer_list<std::string> inputs = {});

    std::FILE* get() const { return temp_.get(); }
    const std::string& path() const { return path_; }
    // Where the file is written until it is moved into place: for a writer
    // that opens files by name, once close() has released this one.
    const std::string& temporaryPath() const { return temp_.path(); }

    // Checked close, failing with "\ni can't write " + path. The file stays
    // under its temporary name until it is moved or goes.
    Outcome<void> close();
    bool closed() const { return closed_; }

    // Closes the file and renames it into place, replacing a file of that
    // name. Failure: "\ni can't write " + path; the temporary file goes.
    Outcome<void> commit();

    // Moves the closed file to its final name when nothing of that name
    // exists; false (the file stays under its temporary name) otherwise.
    bool moveIntoFreePlace();
    // The file goes now.
    void discard() { temp_.discard(); }

private:
    ResultFile(std::string path, TempFile temp);

    std::string path_;
    TempFile temp_;
    bool closed_ = false;
};

// The result files of one run, committed together: every file is written
// and closed first, then all of them are moved into place at once. When
// any of them cannot be written or moved, every earlier file of the set's
// names stays as it was and no new file remains; an interruption waits
// until the moves are done. A committed set also removes the earlier files
// it replaces without having a file of their name (numbered reports beyond
// the new count).
class ResultSet {
public:
    // `inputs`: the files the run reads, which no result may replace.
    explicit ResultSet(std::vector<std::string> inputs = {});
    ResultSet(ResultSet&&) noexcept = default;
    ResultSet& operator=(ResultSet&&) noexcept = default;
    ResultSet(const ResultSet&) = delete;
    ResultSet& operator=(const ResultSet&) = delete;

    // Creates the file `finalPath` of the set; the pointer stays valid as
    // long as the set.
    Outcome<ResultFile*> create(const std::string& finalPath);

    // An earlier file that a committed set removes.
    void replaces(std::string path);

    // Closes every file and moves them all into place. Failure: "\ni can't
    // write " + the final path concerned; the earlier files stay as they
    // were. The set is empty afterwards.
    Outcome<void> commit();

    // After a failure whose partial results the run keeps: each file is
    // closed and moved to its name only where no file of that name exists;
    // an earlier file is never replaced by a partial one.
    void commitPartial();

private:
    std::vector<std::string> inputs_;
    std::vector<std::unique_ptr<ResultFile>> files_;
    std::vector<std::string> replaced_;
};

}  // namespace ruz
