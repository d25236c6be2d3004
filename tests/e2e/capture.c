/* Runs a command once, as the end-to-end cases run the program: no input,
 * standard output to one file, standard error to another, and a third file
 * that tells in which order the two were written: a letter for each run of
 * writes to one stream, "E" for standard error and "O" for standard output.
 * "EO" is error output, then standard output; "" is no output at all.
 *
 *   capture OUT ERR ORDER COMMAND ARGUMENT...
 *
 * The order comes from the kernel: inotify queues an event for each write
 * to a watched file as it happens, and merges one only with the event just
 * before it, so the queue holds the runs of writes in the order made.
 * With MORVASK_CAPTURE_EVENTS naming a file (a FIFO a test reads), a line is
 * written to it once the command started, "started" and its process number,
 * and once it ended, "ended".
 * Exits with the command's status, or 128 and the signal's number. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

static int Fail(const char* what) {
  perror(what);
  return 125;
}

/* Writes one line to the events file, when there is one. */
static void Tell(const char* line, long number) {
  const char* path = getenv("MORVASK_CAPTURE_EVENTS");
  FILE* file = path != NULL ? fopen(path, "a") : NULL;
  if (file == NULL) return;
  if (number >= 0) {
    fprintf(file, "%s %ld\n", line, number);
  } else {
    fprintf(file, "%s\n", line);
  }
  fclose(file);
}

/* Appends the streams written, in order, to `order`; false when events were
 * lost. */
static int ReadOrder(int events, int outWatch, char* order, size_t room) {
  char buffer[64 * 1024] __attribute__((aligned(__alignof__(struct inotify_event))));
  size_t length = strlen(order);
  for (;;) {
    const ssize_t got = read(events, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return 1;
    for (char* at = buffer; at < buffer + got;) {
      const struct inotify_event* event = (const struct inotify_event*)at;
      if (event->mask & IN_Q_OVERFLOW) return 0;
      const char stream = event->wd == outWatch ? 'O' : 'E';
      if (length == 0 || order[length - 1] != stream) {
        if (length + 1 >= room) return 0;
        order[length++] = stream;
        order[length] = '\0';
      }
      at += sizeof *event + event->len;
    }
  }
}

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: capture OUT ERR ORDER COMMAND ARGUMENT...\n");
    return 125;
  }
  const int out = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int err = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (out < 0 || err < 0 || in < 0) return Fail("capture: open");
  const int events = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (events < 0) return Fail("capture: inotify");
  const int outWatch = inotify_add_watch(events, argv[1], IN_MODIFY);
  if (outWatch < 0 || inotify_add_watch(events, argv[2], IN_MODIFY) < 0) {
    return Fail("capture: inotify_add_watch");
  }
  const pid_t child = fork();
  if (child < 0) return Fail("capture: fork");
  if (child == 0) {
    if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
    execvp(argv[4], argv + 4);
    _exit(127);
  }
  Tell("started", (long)child);
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return Fail("capture: waitpid");
  }
  Tell("ended", -1);
  char order[4096] = "";
  const int complete = ReadOrder(events, outWatch, order, sizeof order);
  FILE* file = fopen(argv[3], "w");
  if (file == NULL) return Fail("capture: fopen");
  fputs(complete ? order : "?", file);
  fclose(file);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
