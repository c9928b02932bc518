#ifndef QEVOS_STDLIB_H
#define QEVOS_STDLIB_H

#include <stddef.h>

#define EXIT_SUCCESS 0
#define EXIT_FAILURE 1
#define RAND_MAX 32767

#ifdef __cplusplus
extern "C" {
#endif

/* A bump heap over a static 1 MiB arena: free takes nothing back and realloc
 * always moves. A failed request returns null and sets errno to ENOMEM. */
void *malloc(size_t size);
void *calloc(size_t count, size_t size);
void *realloc(void *ptr, size_t size);
void free(void *ptr);

void exit(int status) __attribute__((__noreturn__));
void abort(void) __attribute__((__noreturn__));
/* Records nothing: no handler ever runs at exit. */
int atexit(void (*fn)(void));

int atoi(const char *str);
long atol(const char *str);
unsigned long strtoul(const char *str, char **endptr, int base);
long strtol(const char *str, char **endptr, int base);
long double strtold(const char *str, char **endptr);
double strtod(const char *str, char **endptr);

void srand(unsigned int seed);
int rand(void);
int abs(int v);
long labs(long v);
/* There is no environment: always null. */
char *getenv(const char *name);

#ifdef __cplusplus
}
#endif

#endif
