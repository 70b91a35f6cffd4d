#pragma once

#include <poll.h>
#include <sys/stat.h>
#include <sys/types.h>

// The POSIX calls of the real-device code, one pointer per call, so that tests can put
// scripted stand-ins in their place. Each behaves like the C function it stands for:
// -1 with errno set on failure.
struct PosixIo {
    int (*open)(const char *path, int flags);
    int (*close)(int fd);
    int (*flock)(int fd, int operation);
    int (*poll)(struct pollfd *fds, nfds_t count, int timeoutMs);
    ssize_t (*read)(int fd, void *buffer, size_t size);
    ssize_t (*write)(int fd, const void *buffer, size_t size);
    int (*fstat)(int fd, struct stat *st);
    int (*stat)(const char *path, struct stat *st);
    int (*access)(const char *path, int mode);

    // The system's own functions.
    static const PosixIo &system();
};
