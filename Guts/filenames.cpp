#include "filenames.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

namespace fname {

namespace {

// The components of a path in the order they are walked, as a stack: the
// first component last.
void push_components(const std::string& path, std::vector<std::string>& todo) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t slash = path.find('/', at);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > at) parts.push_back(path.substr(at, end - at));
        if (slash == std::string::npos) break;
        at = slash + 1;
    }
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) todo.push_back(*it);
}

std::string joined(const std::vector<std::string>& parts) {
    if (parts.empty()) return "/";
    std::string out;
    for (const std::string& p : parts) out += "/" + p;
    return out;
}

// Where `name` is, or would be made, as an absolute path without symbolic
// links: every link followed (a dangling last one too, since a file opened
// for writing through it is made at its target). Empty, with `err` set, when
// the kernel would not get that far: a directory on the way missing
// (ENOENT), not a directory (ENOTDIR), links in a loop (ELOOP), or not
// searchable (EACCES).
std::string resolved(const std::string& name, int& err) {
    err = 0;
    std::vector<std::string> todo;
    push_components(name, todo);
    std::vector<std::string> done;  // a real path: no component is a link
    if (name.empty() || name[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) == nullptr) {
            err = errno;
            return std::string();
        }
        push_components(cwd, done);
        std::vector<std::string> ordered(done.rbegin(), done.rend());
        done.swap(ordered);
    }
    int links = 0;
    while (!todo.empty()) {
        const std::string part = todo.back();
        todo.pop_back();
        if (part == ".") continue;
        if (part == "..") {
            // `done` holds directories only, so ".." is the one before.
            if (!done.empty()) done.pop_back();
            continue;
        }
        const std::string path = joined(done) + (done.empty() ? "" : "/") + part;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            err = errno;
            if (err == ENOENT && todo.empty()) {
                err = 0;
                done.push_back(part);
                return joined(done);
            }
            return std::string();
        }
        if (S_ISLNK(st.st_mode)) {
            if (++links > 40) {
                err = ELOOP;
                return std::string();
            }
            std::string target(PATH_MAX, '\0');
            const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
            if (n < 0) {
                err = errno;
                return std::string();
            }
            target.resize(static_cast<std::size_t>(n));
            if (!target.empty() && target[0] == '/') done.clear();
            push_components(target, todo);
            continue;
        }
        if (!S_ISDIR(st.st_mode) && !todo.empty()) {
            err = ENOTDIR;
            return std::string();
        }
        done.push_back(part);
    }
    return joined(done);
}

}  // namespace

bool one_file(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    const bool has_a = ::stat(a.c_str(), &sa) == 0;
    const bool has_b = ::stat(b.c_str(), &sb) == 0;
    if (has_a && has_b) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (has_a || has_b) return false;
    int ea = 0, eb = 0;
    const std::string ra = resolved(a, ea);
    const std::string rb = resolved(b, eb);
    return !ra.empty() && ra == rb;
}

int creation_error(const std::string& name, bool exclusive_first) {
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return EISDIR;
        return ::faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
    }
    if (errno != ENOENT) return errno;
    // Not there, or a dangling link. O_EXCL refuses any link, and the open
    // without O_CREAT that follows finds nothing at its end.
    if (exclusive_first && ::lstat(name.c_str(), &st) == 0) return ENOENT;
    // A name that ends with a slash can only be a directory.
    if (!name.empty() && name.back() == '/') return EISDIR;
    int err = 0;
    const std::string where = resolved(name, err);
    if (where.empty()) return err != 0 ? err : ENOENT;
    const std::string dir = where.substr(0, std::max<std::size_t>(where.rfind('/'), 1));
    return ::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
}

}  // namespace fname
