// The least a program can do for nodreld's per-second work, to measure it against: a
// 500 ms timerfd and poll, and once a second one /proc/stat read and one appended log line.
// Runs in a folder with Log/ until killed. Build: gcc -O2 bench/floor.c -o floor
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

int main(void) {
    int t = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    struct itimerspec s = {{0, 500000000}, {0, 500000000}};
    timerfd_settime(t, 0, &s, 0);
    char buf[8192], line[128];
    unsigned long long x;
    int tick = 0;
    struct pollfd p = {t, POLLIN, 0};
    for (;;) {
        poll(&p, 1, -1);
        read(t, &x, 8);
        if (++tick % 2) continue;
        int fd = open("/proc/stat", O_RDONLY | O_CLOEXEC);
        ssize_t n = read(fd, buf, sizeof buf - 1);
        close(fd);
        buf[n > 0 ? n : 0] = 0;
        unsigned long long u, ni, sy, id, io;
        sscanf(buf, "cpu %llu %llu %llu %llu %llu", &u, &ni, &sy, &id, &io);
        time_t now = time(0);
        struct tm tm;
        localtime_r(&now, &tm);
        int k = strftime(line, sizeof line, "%d-%b-%y %H:%M:%S,  Run      ,           , Count:   1",
                         &tm);
        k += snprintf(line + k, sizeof line - k, ", CPU:%3llu%%, Av CPU:%3llu%%\r\n", id % 100,
                      io % 100);
        int lf = open("Log/floor.log", O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        write(lf, line, k);
        close(lf);
    }
}
