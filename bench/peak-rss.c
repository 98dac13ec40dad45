/* Runs a command with standard output on /dev/null and prints its peak
   resident set size in KiB. Kept tiny and static so that its own pages,
   which a child inherits until exec, stay below what it measures. */
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    execv(argv[1], argv + 1);
    _exit(127);
  }
  int status;
  struct rusage usage;
  if (wait4(child, &status, 0, &usage) < 0) return 2;
  printf("%ld\n", usage.ru_maxrss);
  return 0;
}
