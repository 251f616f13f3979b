/* A full disk for the script tests where no file system can be mounted (a
 * container's root without CAP_SYS_ADMIN, or any user): loaded with
 * LD_PRELOAD, it makes the directory TOLVANE_TEST_ENOSPC_DIR behave as a file
 * system of TOLVANE_TEST_ENOSPC_BUDGET bytes. A write that would make the
 * regular files under the directory larger than that, all together, writes
 * what still fits and then fails with ENOSPC, as on a full file system; space
 * freed by removing or cutting a file is there again. Writes to anything else
 * (terminals, pipes, sockets, files elsewhere) pass untouched.
 *
 * The size is taken from the files themselves at each write, so every process
 * of a test sees the same disk, whichever wrote what; a lock on the directory
 * keeps concurrent writers from both taking the last bytes.
 *
 * Caught: write, writev, pwrite, pwritev, copy_file_range and sendfile (cp and
 * cat copy with these), fallocate and posix_fallocate, and the stdio streams
 * that fopen and fdopen open on such a file (gnuplot's output): glibc's stdio
 * writes through an internal call that no preload sees, so those streams are
 * handed out as fopencookie streams over the same file, which write through
 * the write above. Not caught: stdio on a descriptor that was redirected
 * underneath an open stream (a shell builtin writing to `>file`), and memory
 * mappings. Every file under the directory counts towards the size, however
 * it was written. */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

static char disk[PATH_MAX];
static size_t disk_len;
static long long budget = -1;

__attribute__((constructor)) static void init(void) {
  const char *dir = getenv("TOLVANE_TEST_ENOSPC_DIR");
  const char *size = getenv("TOLVANE_TEST_ENOSPC_BUDGET");
  if (!dir || !size || !realpath(dir, disk)) return;
  char *end;
  errno = 0;
  long long b = strtoll(size, &end, 10);
  if (errno || end == size || *end || b < 0) return;
  disk_len = strlen(disk);
  budget = b;
}

#define REAL(name) \
  static __typeof__(name) *real_##name; \
  if (!real_##name) real_##name = (__typeof__(name) *)dlsym(RTLD_NEXT, #name)

/* The bytes of the regular files under the directory at FD (closed here). */
static long long used_under(int fd) {
  DIR *d = fdopendir(fd);
  if (!d) { close(fd); return 0; }
  long long sum = 0;
  struct dirent *e;
  while ((e = readdir(d))) {
    if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
    struct stat st;
    if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW)) continue;
    if (S_ISREG(st.st_mode)) {
      sum += st.st_size;
    } else if (S_ISDIR(st.st_mode)) {
      int sub = openat(dirfd(d), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) sum += used_under(sub);
    }
  }
  closedir(d);
  return sum;
}

/* Whether FD is a regular file under the directory. */
static int on_disk(int fd, struct stat *st) {
  if (budget < 0 || fstat(fd, st) || !S_ISREG(st->st_mode)) return 0;
  char link[64], path[PATH_MAX];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, path, sizeof path - 1);
  if (n <= 0) return 0;
  path[n] = 0;
  return (size_t)n > disk_len && !strncmp(path, disk, disk_len) && path[disk_len] == '/';
}

/* How many of the N bytes to be written at OFFSET (-1: the file position) of
 * FD may be written: N where there is room or FD is not on the disk, fewer
 * where only those fit, -1 (errno ENOSPC) where none does. *LOCK is the
 * directory's lock, held until release() once the write is done. */
static ssize_t admit(int fd, off_t offset, size_t n, int *lock) {
  struct stat st;
  *lock = -1;
  if (n == 0 || !on_disk(fd, &st)) return (ssize_t)n;
  *lock = open(disk, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (*lock >= 0) flock(*lock, LOCK_EX);
  fstat(fd, &st);
  if (offset < 0) {
    int flags = fcntl(fd, F_GETFL);
    offset = (flags >= 0 && (flags & O_APPEND)) ? st.st_size : lseek(fd, 0, SEEK_CUR);
    if (offset < 0) offset = st.st_size;
  }
  long long growth = (long long)offset + (long long)n - st.st_size;
  if (growth <= 0) return (ssize_t)n;
  long long room = budget - used_under(open(disk, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (room < 0) room = 0;
  if (growth <= room) return (ssize_t)n;
  long long fits = (long long)n - (growth - room);
  if (fits > 0) return (ssize_t)fits;
  errno = ENOSPC;
  return -1;
}

static void release(int lock) {
  if (lock >= 0) {
    int e = errno;
    close(lock);
    errno = e;
  }
}

ssize_t write(int fd, const void *buf, size_t n) {
  REAL(write);
  int lock;
  ssize_t k = admit(fd, -1, n, &lock);
  ssize_t r = k < 0 ? -1 : real_write(fd, buf, (size_t)k);
  release(lock);
  return r;
}

static ssize_t pwrite_at(int fd, const void *buf, size_t n, off_t offset) {
  REAL(pwrite);
  int lock;
  ssize_t k = admit(fd, offset, n, &lock);
  ssize_t r = k < 0 ? -1 : real_pwrite(fd, buf, (size_t)k, offset);
  release(lock);
  return r;
}
ssize_t pwrite(int fd, const void *buf, size_t n, off_t offset) { return pwrite_at(fd, buf, n, offset); }
ssize_t pwrite64(int fd, const void *buf, size_t n, off_t offset) { return pwrite_at(fd, buf, n, offset); }

/* The buffers of IOV cut to K bytes in all, in COPY (at most IOV_MAX). */
static int cut_iov(const struct iovec *iov, int count, size_t k, struct iovec *copy) {
  int m = 0;
  for (int i = 0; i < count && k > 0 && m < IOV_MAX; i++) {
    copy[m] = iov[i];
    if (copy[m].iov_len > k) copy[m].iov_len = k;
    k -= copy[m].iov_len;
    m++;
  }
  return m;
}

static size_t iov_total(const struct iovec *iov, int count) {
  size_t n = 0;
  for (int i = 0; i < count; i++) n += iov[i].iov_len;
  return n;
}

ssize_t writev(int fd, const struct iovec *iov, int count) {
  REAL(writev);
  if (count < 0 || count > IOV_MAX) return real_writev(fd, iov, count);
  int lock;
  size_t n = iov_total(iov, count);
  ssize_t k = admit(fd, -1, n, &lock), r;
  if (k < 0) {
    r = -1;
  } else if ((size_t)k == n) {
    r = real_writev(fd, iov, count);
  } else {
    struct iovec copy[IOV_MAX];
    r = real_writev(fd, copy, cut_iov(iov, count, (size_t)k, copy));
  }
  release(lock);
  return r;
}

static ssize_t pwritev_at(int fd, const struct iovec *iov, int count, off_t offset) {
  REAL(pwritev);
  if (count < 0 || count > IOV_MAX) return real_pwritev(fd, iov, count, offset);
  int lock;
  size_t n = iov_total(iov, count);
  ssize_t k = admit(fd, offset, n, &lock), r;
  if (k < 0) {
    r = -1;
  } else if ((size_t)k == n) {
    r = real_pwritev(fd, iov, count, offset);
  } else {
    struct iovec copy[IOV_MAX];
    r = real_pwritev(fd, copy, cut_iov(iov, count, (size_t)k, copy), offset);
  }
  release(lock);
  return r;
}
ssize_t pwritev(int fd, const struct iovec *iov, int count, off_t offset) { return pwritev_at(fd, iov, count, offset); }
ssize_t pwritev64(int fd, const struct iovec *iov, int count, off_t offset) { return pwritev_at(fd, iov, count, offset); }

ssize_t copy_file_range(int in, off_t *in_off, int out, off_t *out_off, size_t n, unsigned flags) {
  REAL(copy_file_range);
  int lock;
  ssize_t k = admit(out, out_off ? *out_off : -1, n, &lock);
  ssize_t r = k < 0 ? -1 : real_copy_file_range(in, in_off, out, out_off, (size_t)k, flags);
  release(lock);
  return r;
}

static ssize_t sendfile_to(int out, int in, off_t *in_off, size_t n) {
  REAL(sendfile);
  int lock;
  ssize_t k = admit(out, -1, n, &lock);
  ssize_t r = k < 0 ? -1 : real_sendfile(out, in, in_off, (size_t)k);
  release(lock);
  return r;
}
ssize_t sendfile(int out, int in, off_t *in_off, size_t n) { return sendfile_to(out, in, in_off, n); }
ssize_t sendfile64(int out, int in, off_t *in_off, size_t n) { return sendfile_to(out, in, in_off, n); }

/* Space reserved is space used, all of it or none. */
static int reserve(int fd, off_t offset, off_t len, int *lock) {
  if (offset < 0 || len <= 0) {
    *lock = -1;
    return 0;
  }
  ssize_t k = admit(fd, offset, (size_t)len, lock);
  if (k == len) return 0;
  release(*lock);
  *lock = -1;
  errno = ENOSPC;
  return -1;
}

static int fallocate_at(int fd, int mode, off_t offset, off_t len) {
  REAL(fallocate);
  int lock;
  if (reserve(fd, offset, len, &lock)) return -1;
  int r = real_fallocate(fd, mode, offset, len);
  release(lock);
  return r;
}
int fallocate(int fd, int mode, off_t offset, off_t len) { return fallocate_at(fd, mode, offset, len); }
int fallocate64(int fd, int mode, off_t offset, off_t len) { return fallocate_at(fd, mode, offset, len); }

static int posix_fallocate_at(int fd, off_t offset, off_t len) {
  REAL(posix_fallocate);
  int lock;
  if (reserve(fd, offset, len, &lock)) return ENOSPC;
  int r = real_posix_fallocate(fd, offset, len);
  release(lock);
  return r;
}
int posix_fallocate(int fd, off_t offset, off_t len) { return posix_fallocate_at(fd, offset, len); }
int posix_fallocate64(int fd, off_t offset, off_t len) { return posix_fallocate_at(fd, offset, len); }

/* stdio over a file on the disk: a cookie stream whose writes go through
 * write() above, looping over short writes as glibc's own streams do. */
static ssize_t cookie_write(void *cookie, const char *buf, size_t n) {
  int fd = *(int *)cookie;
  size_t done = 0;
  while (done < n) {
    ssize_t r = write(fd, buf + done, n - done);
    if (r < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? (ssize_t)done : -1;
    }
    done += (size_t)r;
  }
  return (ssize_t)done;
}
static ssize_t cookie_read(void *cookie, char *buf, size_t n) { return read(*(int *)cookie, buf, n); }
static int cookie_seek(void *cookie, off64_t *pos, int whence) {
  off64_t r = lseek64(*(int *)cookie, *pos, whence);
  if (r < 0) return -1;
  *pos = r;
  return 0;
}
static int cookie_close(void *cookie) {
  int fd = *(int *)cookie;
  free(cookie);
  return close(fd);
}

/* A cookie stream over FD in MODE, which it owns; NULL (FD closed) on failure. */
static FILE *cookie_stream(int fd, const char *mode) {
  int *cookie = malloc(sizeof *cookie);
  if (!cookie) {
    close(fd);
    return NULL;
  }
  *cookie = fd;
  cookie_io_functions_t io = {cookie_read, cookie_write, cookie_seek, cookie_close};
  FILE *f = fopencookie(cookie, mode, io);
  if (!f) {
    free(cookie);
    close(fd);
  }
  return f;
}

static int writes(const char *mode) { return mode && (strchr(mode, 'w') || strchr(mode, 'a') || strchr(mode, '+')); }

/* A stream that stdio opened on a file of the disk, reopened as a cookie
 * stream over the same open file. */
static FILE *on_disk_stream(FILE *f, const char *mode) {
  struct stat st;
  if (!f || !writes(mode) || !on_disk(fileno(f), &st)) return f;
  int cloexec = fcntl(fileno(f), F_GETFD) & FD_CLOEXEC;
  int fd = fcntl(fileno(f), cloexec ? F_DUPFD_CLOEXEC : F_DUPFD, 3);
  if (fd < 0) return f;
  fclose(f);
  return cookie_stream(fd, mode);
}

FILE *fopen(const char *path, const char *mode) {
  REAL(fopen);
  return on_disk_stream(real_fopen(path, mode), mode);
}
FILE *fopen64(const char *path, const char *mode) {
  REAL(fopen64);
  return on_disk_stream(real_fopen64(path, mode), mode);
}
FILE *fdopen(int fd, const char *mode) {
  REAL(fdopen);
  struct stat st;
  if (!writes(mode) || !on_disk(fd, &st)) return real_fdopen(fd, mode);
  return cookie_stream(fd, mode);
}
