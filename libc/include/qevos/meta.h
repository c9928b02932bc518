/* Metadata records: constant objects in sections of their own that the command and
 * package tools read from an image without running it.
 *
 * A record is the magic (four letters), the header word 1 (32-bit little-endian), its
 * strings each with its NUL, and one empty string that ends it. The record is written
 * as one string literal: the NULs between the strings are spelled out, and the
 * literal's own terminating NUL is the closing empty string. Each string goes through
 * its own checks at compile time: it must be a literal, non-empty (an empty string
 * would end the record early) and free of NULs of its own.
 *
 *   QEVOS_COMMAND_RECORD(g_cmdmeta_0, "What the command does.", "name");
 *   QEVOS_PACKAGE_RECORD(g_pkgmeta_0, "package", "3");
 *
 * Nothing in the program refers to a record, so each is marked used and has external
 * linkage, and the linker script keeps its section. */
#ifndef QEVOS_META_H
#define QEVOS_META_H

#include <qevos/abi.h>

#if QEVOS_META_HEADER_WORD != 1
#error "the header word literal below spells 1"
#endif
#define QEVOS_META_HEADER_WORD_BYTES "\x01\0\0\0"

#ifdef __cplusplus
/* A namespace-scope const object has internal linkage in C++ unless declared extern. */
#define QEVOS_META_LINKAGE extern "C"
#define QEVOS_META_STATIC_ASSERT static_assert
#define QEVOS_META_CHECK_STRING(s)                                                   \
    static_assert(sizeof(s) > 1, "a record string may not be empty: " #s); \
    static_assert(__builtin_strlen(s) + 1 == sizeof(s), "a NUL inside the record string " #s)
#else
#define QEVOS_META_LINKAGE
#define QEVOS_META_STATIC_ASSERT _Static_assert
#define QEVOS_META_CHECK_STRING(s) \
    _Static_assert(sizeof(s) > 1, "a record string may not be empty: " #s)
#endif

#define QEVOS_META_RECORD(object, section_name, alignment, magic, first, second)                    \
    QEVOS_META_STATIC_ASSERT(sizeof(magic) == 5, "a magic is four letters");               \
    QEVOS_META_CHECK_STRING(first "");                                                     \
    QEVOS_META_CHECK_STRING(second "");                                                    \
    QEVOS_META_LINKAGE __attribute__((used, section(section_name), aligned(alignment)))            \
    const char object[] = magic QEVOS_META_HEADER_WORD_BYTES first "\0" second "\0"

/* The command record: its description, then the command's name. */
#define QEVOS_COMMAND_RECORD(object, description, name)                                 \
    QEVOS_META_RECORD(object, QEVOS_CMDMETA_SECTION, QEVOS_CMDMETA_ALIGN,                \
                      QEVOS_CMDMETA_MAGIC, description, name)

/* The package record: the package's name, then its one further value. */
#define QEVOS_PACKAGE_RECORD(object, name, value)                                       \
    QEVOS_META_RECORD(object, QEVOS_PKGMETA_SECTION, QEVOS_PKGMETA_ALIGN,                \
                      QEVOS_PKGMETA_MAGIC, name, value)

#endif
