/* Runs two commands side by side, in pairs (one run of each, the first of
 * the pair alternating), and prints for each the median wall-clock time of
 * one run (seconds) and the largest peak resident memory of any run (KiB),
 * then the median of the pairs' ratios of A's time to B's:
 *
 *   compare PAIRS COMMAND-A... -- COMMAND-B...
 *   -> median-a median-b rss-a rss-b median-ratio
 *
 * The two runs of a pair see the machine as it is at that moment, so the
 * median ratio gives the same verdict on a busy machine as on a quiet one.
 * Both commands read /dev/null and write their output to a file of the
 * current folder, compare.out, as a script that keeps the output would:
 * written to /dev/null, some tools stop at their first find (grep -c does). */
#define _GNU_SOURCE
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

static double Now(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

/* One run: its wall-clock time; its peak memory goes to *rss. */
static double RunOnce(char** argv, long* rss) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "compare.out", O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const double start = Now();
  pid_t child;
  if (posix_spawnp(&child, argv[0], &actions, NULL, argv, environ) != 0) {
    perror(argv[0]);
    exit(2);
  }
  int status;
  struct rusage usage;
  wait4(child, &status, 0, &usage);
  const double elapsed = Now() - start;
  posix_spawn_file_actions_destroy(&actions);
  if (usage.ru_maxrss > *rss) *rss = usage.ru_maxrss;
  return elapsed;
}

static int Ascending(const void* a, const void* b) {
  const double x = *(const double*)a, y = *(const double*)b;
  return (x > y) - (x < y);
}

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: compare PAIRS COMMAND-A... -- COMMAND-B...\n");
    return 2;
  }
  const int runs = atoi(argv[1]);
  char** first = argv + 2;
  char** second = NULL;
  for (int i = 2; i < argc; ++i) {
    if (strcmp(argv[i], "--") == 0) {
      argv[i] = NULL;
      second = argv + i + 1;
      break;
    }
  }
  if (runs < 1 || second == NULL || second[0] == NULL) return 2;
  double* times[2] = {calloc(runs, sizeof(double)), calloc(runs, sizeof(double))};
  double* ratios = calloc(runs, sizeof(double));
  long rss[2] = {0, 0};
  for (int i = 0; i < runs; ++i) {
    /* Which goes first alternates, so that neither always finds the
     * caches as the other left them. */
    const int order = i % 2;
    times[order][i] = RunOnce(order == 0 ? first : second, &rss[order]);
    times[1 - order][i] = RunOnce(order == 0 ? second : first, &rss[1 - order]);
    ratios[i] = times[0][i] / times[1][i];
  }
  for (int k = 0; k < 2; ++k) qsort(times[k], runs, sizeof(double), Ascending);
  qsort(ratios, runs, sizeof(double), Ascending);
  printf("%.6f %.6f %ld %ld %.4f\n", times[0][runs / 2], times[1][runs / 2], rss[0], rss[1],
         ratios[runs / 2]);
  free(times[0]);
  free(times[1]);
  free(ratios);
  return 0;
}
