/* The native C library's memmem over the same buffer as bench_scan, for comparison.
 *   memmem_native FILE NEEDLE_HEX [REPEATS]
 * Prints one JSON line like bench_scan. Built by bench/run.sh with the machine's own compiler. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static int cmp(const void* a, const void* b) {
    double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    FILE* f = fopen(argv[1], "rb");
    if (!f) return 1;
    fseek(f, 0, SEEK_END);
    long n = ftell(f);
    fseek(f, 0, SEEK_SET);
    char* buf = malloc(n + 1);
    if (fread(buf, 1, n, f) != (size_t)n) return 1;
    fclose(f);
    buf[n] = 0;
    const char* hex = argv[2];
    if (strncmp(hex, "hex:", 4) == 0) hex += 4;
    size_t m = strlen(hex) / 2;
    char* needle = malloc(m + 1);
    for (size_t i = 0; i < m; ++i) sscanf(hex + 2 * i, "%2hhx", (unsigned char*)&needle[i]);
    int repeats = argc > 3 ? atoi(argv[3]) : 5;
    double* t = malloc(sizeof(double) * repeats);
    long long result = -1;
    for (int r = 0; r < repeats; ++r) {
        double s = now();
        char* at = memmem(buf, n, needle, m);
        t[r] = now() - s;
        result = at ? at - buf : -1;
    }
    qsort(t, repeats, sizeof(double), cmp);
    printf(
        "{\"searcher\": \"memmem (native glibc)\", \"best\": %.6f, \"median\": %.6f, \"worst\": %.6f, \"mbps\": %.1f, \"result\": %lld}\n",
        t[0], t[repeats / 2], t[repeats - 1], n / t[0] / 1e6, result);
    return 0;
}
