// Output files that are whole or not there: written to a temporary file in the
// directory of the file they replace and renamed over it only once complete,
// so that a full disk, a failure or an interrupt leaves the previous file as
// it was. A device or a FIFO (also behind a symbolic link) is no file to
// replace: it is written through, as a program writing it would.
#pragma once
#include <string>
#include <string_view>

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // An output never committed leaves no trace.
    ~OutputFile();

    // Makes ready to write `name`. False with `why` set when it cannot be: a
    // directory, a directory where no file can be made, a FIFO nobody reads.
    bool open(const std::string& name, std::string& why);
    // Where the contents go.
    int fd() const { return fd_; }
    // Written through (a device, a FIFO), not replaced.
    bool through() const { return through_; }
    // Puts the complete contents in place of the file. False with `why` set
    // when they could not be written or renamed; the previous file then stays.
    bool commit(std::string& why);
    // Drops what was written (the previous file stays).
    void abandon();

private:
    int fd_ = -1;
    bool through_ = false;
    bool unnamed_ = false;    // an O_TMPFILE file, named only when committed
    std::string target_;      // the file renamed over (a symbolic link's target)
    std::string temp_;        // the temporary's name, when it has one
};

// Writes all of `text` to `fd`; false with `why` set ("cannot write the file: ...").
bool write_all(int fd, std::string_view text, std::string& why);

// Whether `a` and `b` name the same existing file (the same device and inode),
// under whatever spelling: another path, a symbolic or a hard link.
bool same_file(const std::string& a, const std::string& b);

// Whether `a` and `b` are one file: the same existing file, or, where either
// does not exist yet, the same path once symbolic links and dots are resolved.
bool same_path(const std::string& a, const std::string& b);

// The reason an output named `output` would overwrite the input `input`, or "".
std::string overwrites_input(const std::string& output, const std::string& input,
                             const std::string& what);
