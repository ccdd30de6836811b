/* Runs a command several times; prints its best wall time in milliseconds and its largest
   peak resident memory in kilobytes: "measure REPEATS SETUP COMMAND [ARGS...]". SETUP is a
   shell command run untimed before each run ("" for none). */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

int main(int argc, char **argv)
{
    if (argc < 4)
        return 2;
    const int repeats = atoi(argv[1]);
    double best = 1e300;
    long peak = 0;
    for (int n = 0; n < repeats; ++n) {
        if (argv[2][0] && system(argv[2]) != 0) {
            fprintf(stderr, "measure: %s failed\n", argv[2]);
            return 1;
        }
        const double start = now_ms();
        const pid_t child = fork();
        if (child == 0) {
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
            execvp(argv[3], argv + 3);
            _exit(127);
        }
        int status = 0;
        struct rusage usage;
        if (wait4(child, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            fprintf(stderr, "measure: %s failed\n", argv[3]);
            return 1;
        }
        const double elapsed = now_ms() - start;
        if (elapsed < best)
            best = elapsed;
        if (usage.ru_maxrss > peak)
            peak = usage.ru_maxrss;
    }
    printf("%.1f %ld\n", best, peak);
    return 0;
}
