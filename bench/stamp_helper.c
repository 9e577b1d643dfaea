// Stands in for the application a file opens in: its first act is to write
// when it started (CLOCK_MONOTONIC, ns) and the argument it was given to
// the FIFO or file named by BENCH_STAMP.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  const char* target = getenv("BENCH_STAMP");
  if (target == NULL) {
    return 2;
  }
  char line[8192];
  int n = snprintf(line, sizeof line, "%lld %s\n",
                   (long long)now.tv_sec * 1000000000LL + now.tv_nsec,
                   argc > 1 ? argv[1] : "");
  if (n < 0 || (size_t)n >= sizeof line) {
    return 3;
  }
  int fd = open(target, O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) {
    return 4;
  }
  ssize_t written = write(fd, line, (size_t)n);
  close(fd);
  return written == n ? 0 : 5;
}
