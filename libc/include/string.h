#ifndef QEVOS_STRING_H
#define QEVOS_STRING_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Addresses below 4096 count as "no string" for strlen, strnlen, strcmp, strncmp,
 * strcat, strncat, strdup and strndup. */
size_t strlen(const char *s);
size_t strnlen(const char *s, size_t max);
int strcmp(const char *a, const char *b);
int strncmp(const char *a, const char *b, size_t n);
char *strcpy(char *dst, const char *src);
char *strncpy(char *dst, const char *src, size_t n);
char *strcat(char *dst, const char *src);
char *strncat(char *dst, const char *src, size_t n);
char *strchr(const char *s, int ch);
char *strrchr(const char *s, int ch);
char *strstr(const char *h, const char *p);
void *memcpy(void *dst, const void *src, size_t n);
void *memmove(void *dst, const void *src, size_t n);
void *memset(void *dst, int value, size_t n);
int memcmp(const void *a, const void *b, size_t n);
char *strdup(const char *s);
char *strndup(const char *s, size_t n);
int strncasecmp(const char *a, const char *b, size_t n);
int strcasecmp(const char *a, const char *b);
char *strtok(char *s, const char *delim);
const char *strerror(int code);

#ifdef __cplusplus
}
#endif

#endif
