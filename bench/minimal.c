/* The floor for one run: a static program that makes a single write. */
#include <unistd.h>

int main(void) {
  write(1, "Hello, World!\r\n", 15);
  return 0;
}
