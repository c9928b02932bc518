#ifndef QEVOS_STDIO_H
#define QEVOS_STDIO_H

#include <stdarg.h>
#include <stddef.h>

#define EOF (-1)
#define BUFSIZ 256
#ifndef SEEK_SET
#define SEEK_SET 0
#define SEEK_CUR 1
#define SEEK_END 2
#endif

/* Kinds of stream. */
#define STREAM_FD 1
#define STREAM_MEMORY 2
#define STREAM_WHOLE_FILE 3

#ifdef __cplusplus
extern "C" {
#endif

/* The stream record: eleven 32-bit fields. */
typedef struct qevos_file {
    int kind;
    int fd;
    char *path;
    char *buf;
    size_t len;
    size_t cap;
    char **out_buf;
    size_t *out_size;
    int error;
    int pos;
    int eof;
} FILE;

/* Standard error writes to descriptor 1, like standard output. */
extern FILE *stdin;
extern FILE *stdout;
extern FILE *stderr;

FILE *fopen(const char *path, const char *mode);
int fclose(FILE *stream);
size_t fread(void *dst, size_t size, size_t count, FILE *stream);
size_t fwrite(const void *src, size_t size, size_t count, FILE *stream);
int fgetc(FILE *stream);
int getchar(void);
int fputc(int ch, FILE *stream);
int putchar(int ch);
int fputs(const char *s, FILE *stream);
int puts(const char *s);
int fseek(FILE *stream, long offset, int whence);
long ftell(FILE *stream);
void rewind(FILE *stream);
int feof(FILE *stream);
int ferror(FILE *stream);
int fflush(FILE *stream);
void setbuf(FILE *stream, char *buffer);
FILE *open_memstream(char **bufp, size_t *sizep);

int vsnprintf(char *buf, size_t size, const char *format, va_list ap);
int snprintf(char *buf, size_t size, const char *format, ...);
int vsprintf(char *buf, const char *format, va_list ap);
int sprintf(char *buf, const char *format, ...);

int vfprintf(FILE *stream, const char *format, va_list ap);
int fprintf(FILE *stream, const char *format, ...);
int printf(const char *format, ...);

int vsscanf(const char *input, const char *format, va_list ap);
int sscanf(const char *input, const char *format, ...);
int fscanf(FILE *stream, const char *format, ...);

#ifdef __cplusplus
}
#endif

#endif
