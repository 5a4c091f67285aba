/*
 * Exclusive open of pseudo-terminals, preloaded into a Wine prefix's
 * wineserver (LD_PRELOAD), so that the test bed refuses a second open of a
 * COM port as Windows does.
 *
 * Every file a Wine program opens is opened by the server. Wine keeps no
 * sharing state for character devices and lets a second CreateFile on a
 * port through; with this library an open of a pty slave (character device,
 * major 136 to 143) fails with EACCES, which the server reports as
 * ERROR_ACCESS_DENIED, while another descriptor of the same device is open
 * in the server. Copies made by dup, dup2, dup3 and fcntl count as open
 * descriptors until closed.
 *
 * Each refusal is appended to the file named by ORVIK_PORT_GUARD_LOG (when
 * set) as one line, in one write:
 *   2026-01-31T12:00:00.123Z /dev/pts/7 /path/as/opened
 *
 * The server runs one thread, so the table needs no lock.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#define PTY_SLAVE_FIRST_MAJOR 136
#define PTY_SLAVE_LAST_MAJOR 143
#define PTY_SLAVES_PER_MAJOR 256
/* Far more ports than a prefix opens at once. */
#define MAX_HELD 256

struct held_pty {
    int fd;
    dev_t device;
};

static struct held_pty held[MAX_HELD];
static int held_count;

static void *next_symbol(const char *name) { return dlsym(RTLD_NEXT, name); }

static int real_open(const char *path, int flags, mode_t mode) {
    static int (*next)(const char *, int, ...);
    if (!next) next = next_symbol("open");
    return next(path, flags, mode);
}

static int real_openat(int dirfd, const char *path, int flags, mode_t mode) {
    static int (*next)(int, const char *, int, ...);
    if (!next) next = next_symbol("openat");
    return next(dirfd, path, flags, mode);
}

static int real_close(int fd) {
    static int (*next)(int);
    if (!next) next = next_symbol("close");
    return next(fd);
}

static int held_index(int fd) {
    for (int i = 0; i < held_count; ++i)
        if (held[i].fd == fd) return i;
    return -1;
}

static int device_held(dev_t device) {
    for (int i = 0; i < held_count; ++i)
        if (held[i].device == device) return 1;
    return 0;
}

static void forget(int fd) {
    const int i = held_index(fd);
    if (i >= 0) held[i] = held[--held_count];
}

/* 0 when the table is full: such a descriptor could not be counted. */
static int remember(int fd, dev_t device) {
    forget(fd);
    if (held_count == MAX_HELD) return 0;
    held[held_count].fd = fd;
    held[held_count].device = device;
    ++held_count;
    return 1;
}

static int is_pty_slave(const struct stat *info) {
    const unsigned int device_major = major(info->st_rdev);
    return S_ISCHR(info->st_mode) && device_major >= PTY_SLAVE_FIRST_MAJOR &&
           device_major <= PTY_SLAVE_LAST_MAJOR;
}

static void log_refusal(dev_t device, const char *path) {
    const char *log_path = getenv("ORVIK_PORT_GUARD_LOG");
    if (!log_path || !*log_path) return;
    struct timespec now;
    struct tm utc;
    clock_gettime(CLOCK_REALTIME, &now);
    gmtime_r(&now.tv_sec, &utc);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);
    const unsigned int pty_number =
        (major(device) - PTY_SLAVE_FIRST_MAJOR) * PTY_SLAVES_PER_MAJOR + minor(device);
    char line[4200];
    int length = snprintf(line, sizeof line, "%s.%03ldZ /dev/pts/%u %s\n", stamp, now.tv_nsec / 1000000,
                          pty_number, path);
    if (length < 0) return;
    if (length >= (int)sizeof line) {
        length = sizeof line - 1;
        line[length - 1] = '\n';
    }
    const int log = real_open(log_path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (log < 0) return;
    /* One write per line: lines of several servers never interleave. */
    if (write(log, line, (size_t)length) != length) {
        /* Nothing to do: the refusal itself stands. */
    }
    real_close(log);
}

/* Admits a freshly opened descriptor, or closes it and fails with EACCES. */
static int admit(int fd, const char *path) {
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0 || !is_pty_slave(&info)) return fd;
    if (device_held(info.st_rdev) || !remember(fd, info.st_rdev)) {
        real_close(fd);
        log_refusal(info.st_rdev, path);
        errno = EACCES;
        return -1;
    }
    return fd;
}

/* `copy` now refers to what `source` refers to: a held device, or something else. */
static int copied(int source, int copy) {
    if (copy < 0 || copy == source) return copy;
    const int i = held_index(source);
    if (i >= 0) remember(copy, held[i].device);
    else forget(copy);
    return copy;
}

static mode_t mode_argument(int flags, va_list arguments) {
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(arguments, int) : 0;
}

int open(const char *path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = mode_argument(flags, arguments);
    va_end(arguments);
    return admit(real_open(path, flags, mode), path);
}

int open64(const char *path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = mode_argument(flags, arguments);
    va_end(arguments);
    return admit(real_open(path, flags, mode), path);
}

int openat(int dirfd, const char *path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = mode_argument(flags, arguments);
    va_end(arguments);
    return admit(real_openat(dirfd, path, flags, mode), path);
}

int openat64(int dirfd, const char *path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = mode_argument(flags, arguments);
    va_end(arguments);
    return admit(real_openat(dirfd, path, flags, mode), path);
}

int close(int fd) {
    forget(fd);
    return real_close(fd);
}

int dup(int fd) {
    static int (*next)(int);
    if (!next) next = next_symbol("dup");
    return copied(fd, next(fd));
}

/* dup2 and dup3 close the target first when it was open. */
int dup2(int fd, int target) {
    static int (*next)(int, int);
    if (!next) next = next_symbol("dup2");
    return copied(fd, next(fd, target));
}

int dup3(int fd, int target, int flags) {
    static int (*next)(int, int, int);
    if (!next) next = next_symbol("dup3");
    return copied(fd, next(fd, target, flags));
}

/* glibc itself passes fcntl's third argument on as a pointer, whatever the command. */
int fcntl(int fd, int command, ...) {
    static int (*next)(int, int, ...);
    if (!next) next = next_symbol("fcntl");
    va_list arguments;
    va_start(arguments, command);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);
    const int result = next(fd, command, argument);
    return command == F_DUPFD || command == F_DUPFD_CLOEXEC ? copied(fd, result) : result;
}
