/* Runs two commands side by side, alternating, and prints for each the
 * median wall-clock time of one run (seconds) and the largest peak resident
 * memory of any run (KiB):
 *
 *   compare RUNS COMMAND-A... -- COMMAND-B...
 *   -> median-a median-b rss-a rss-b
 *
 * Both commands get /dev/null as their standard streams. */
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
  for (int fd = 0; fd < 3; ++fd) {
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
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
    fprintf(stderr, "usage: compare RUNS COMMAND-A... -- COMMAND-B...\n");
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
  long rss[2] = {0, 0};
  for (int i = 0; i < runs; ++i) {
    times[0][i] = RunOnce(first, &rss[0]);
    times[1][i] = RunOnce(second, &rss[1]);
  }
  for (int k = 0; k < 2; ++k) qsort(times[k], runs, sizeof(double), Ascending);
  printf("%.6f %.6f %ld %ld\n", times[0][runs / 2], times[1][runs / 2], rss[0], rss[1]);
  free(times[0]);
  free(times[1]);
  return 0;
}
