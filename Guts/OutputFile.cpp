#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

namespace {

std::string parent_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a chain of symbolic links ends at, existing or not: a program
// writing `name` writes there.
bool final_target(const std::string& name, std::string& out, std::string& why) {
    std::string path = name;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            out = path;
            return true;
        }
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0) {
            why = std::strerror(errno);
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        path = link.starts_with('/') || path.find('/') == std::string::npos
                   ? link
                   : parent_of(path) + "/" + link;
    }
    why = std::strerror(ELOOP);
    return false;
}

// The mode a new file gets under the umask.
mode_t new_file_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string temporary_name(const std::string& target) {
    // Seeded afresh for each name: nothing kept between calls, whatever
    // thread asks; a name taken already is tried again by the caller.
    std::mt19937_64 random{std::random_device{}() ^
                           static_cast<std::uint64_t>(
                               std::chrono::steady_clock::now().time_since_epoch().count())};
    static const char digits[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = parent_of(target) + "/." + base_of(target) + ".";
    for (int i = 0; i < 8; ++i) name += digits[random() % (sizeof digits - 1)];
    return name;
}

// A FIFO without a reader yet: the reader may be starting. The wait is bounded.
constexpr auto fifo_wait = std::chrono::seconds(60);

}  // namespace

OutputFile::~OutputFile() { abandon(); }

bool OutputFile::open(const std::string& name, std::string& why) {
    abandon();
    if (!final_target(name, target_, why)) return false;
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        why = std::strerror(EISDIR);
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // Opened without waiting, so that a FIFO nobody reads cannot hold the
        // program for ever; then written with the blocking writes of any file.
        const auto deadline = std::chrono::steady_clock::now() + fifo_wait;
        for (;;) {
            fd_ = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
            if (fd_ >= 0 || errno != ENXIO || std::chrono::steady_clock::now() > deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (fd_ < 0) {
            why = errno == ENXIO ? "no process reads the FIFO" : std::strerror(errno);
            return false;
        }
        const int flags = ::fcntl(fd_, F_GETFL);
        if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
        through_ = true;
        return true;
    }
    // A file its owner keeps from being written is not replaced either, as a
    // program writing it in place could not write it.
    if (exists && ::access(target_.c_str(), W_OK) != 0) {
        why = std::string("cannot create the file: ") + std::strerror(errno);
        return false;
    }
    const std::string dir = parent_of(target_);
    // Unnamed until it is complete, so that nothing is left behind by a run
    // that is interrupted; where the file system has no such files, a hidden
    // name beside the file.
    // (It is named through /proc, which a chroot may lack.)
    if (::access("/proc/self/fd", X_OK) == 0)
        fd_ = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
        unnamed_ = true;
    } else {
        for (int tries = 0; tries < 100 && fd_ < 0; ++tries) {
            temp_ = temporary_name(target_);
            fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) {
            temp_.clear();
            why = std::string("cannot create the file: ") + std::strerror(errno);
            return false;
        }
    }
    // The mode of the file replaced, or a new file's.
    ::fchmod(fd_, exists ? (st.st_mode & 07777) : new_file_mode());
    return true;
}

bool OutputFile::commit(std::string& why) {
    if (fd_ < 0) {
        why = std::strerror(EBADF);
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (through_) {
        through_ = false;
        if (::close(fd) != 0) {
            why = std::string("cannot write the file: ") + std::strerror(errno);
            return false;
        }
        return true;
    }
    if (unnamed_) {
        // Named now, beside the file, then renamed over it.
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        for (int tries = 0; tries < 100; ++tries) {
            temp_ = temporary_name(target_);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp_.c_str(), AT_SYMLINK_FOLLOW) == 0)
                break;
            const int e = errno;
            temp_.clear();
            if (e != EEXIST) {
                ::close(fd);
                unnamed_ = false;
                why = std::string("cannot write the file: ") + std::strerror(e);
                return false;
            }
        }
        unnamed_ = false;
    }
    // Written out before it takes the name: a crash after the rename must not
    // leave an empty file where the previous one was.
    if (::fsync(fd) != 0 && errno != EINVAL) {
        why = std::string("cannot write the file: ") + std::strerror(errno);
        ::close(fd);
        abandon();
        return false;
    }
    if (::close(fd) != 0) {
        why = std::string("cannot write the file: ") + std::strerror(errno);
        abandon();
        return false;
    }
    if (temp_.empty() || ::rename(temp_.c_str(), target_.c_str()) != 0) {
        why = std::string("cannot write the file: ") + std::strerror(temp_.empty() ? EEXIST : errno);
        abandon();
        return false;
    }
    temp_.clear();
    return true;
}

void OutputFile::abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    unnamed_ = false;
    through_ = false;
}

bool write_all(int fd, std::string_view text, std::string& why) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n > 0) {
            text.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        why = std::string("cannot write the file: ") + std::strerror(n < 0 ? errno : EIO);
        return false;
    }
    return true;
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat x {}, y {};
    if (::stat(a.c_str(), &x) != 0 || ::stat(b.c_str(), &y) != 0) return false;
    return x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

bool same_path(const std::string& a, const std::string& b) {
    std::error_code e1, e2;
    if (std::filesystem::exists(a, e1) && std::filesystem::exists(b, e2)) return same_file(a, b);
    const auto x = std::filesystem::weakly_canonical(a, e1);
    const auto y = std::filesystem::weakly_canonical(b, e2);
    return !e1 && !e2 && x == y;
}

std::string overwrites_input(const std::string& output, const std::string& input,
                             const std::string& what) {
    if (!same_file(output, input)) return std::string();
    return "the output is the same file as the " + what + " " + input +
           ", which it would overwrite";
}
