// Every end of the process is service 2: nothing is recorded for exit, nothing is
// flushed or closed.
#include <stdlib.h>
#include <unistd.h>

void exit(int status) { _exit(status); }

void abort() { _exit(1); }

int atexit(void (*)(void)) { return 0; }
