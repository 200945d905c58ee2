// Preloaded into the program by bench/at_once_outside.sh: notes every fsync and fdatasync
// (the file, and how long the call took) in $ONDREVO_SYNC_LOG, and with
// ONDREVO_SYNC_SKIP=1 returns at once without writing anything through, to measure what
// the writes through cost the batch.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static double Now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

static int Timed(const char* kind, int fd, int (*real)(int))
{
    const int skip = getenv("ONDREVO_SYNC_SKIP") && *getenv("ONDREVO_SYNC_SKIP") == '1';
    const double start = Now();
    const int result = skip ? 0 : real(fd);
    const double took = Now() - start;
    const char* log = getenv("ONDREVO_SYNC_LOG");
    if (log) {
        char link[64], path[4096];
        snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t n = readlink(link, path, sizeof path - 1);
        path[n > 0 ? n : 0] = '\0';
        FILE* out = fopen(log, "a");
        if (out) {
            fprintf(out, "%s %.3f %s\n", kind, took, path);
            fclose(out);
        }
    }
    return result;
}

int fsync(int fd)
{
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    return Timed("fsync", fd, real);
}

int fdatasync(int fd)
{
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    return Timed("fdatasync", fd, real);
}
