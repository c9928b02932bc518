/* Image layout: three loadable segments, each on its own page, in this order:
 * code (R+X, entered at its first byte), read-only data (constant data, then the
 * metadata records), read-write data (initialised statics, then zero-initialised
 * ones). The ELF and program headers lie in the first page and belong to no segment. */
OUTPUT_FORMAT("elf32-i386")
OUTPUT_ARCH(i386)
ENTRY(_start)

PHDRS
{
    code PT_LOAD FLAGS(5);
    rodata PT_LOAD FLAGS(4);
    data PT_LOAD FLAGS(6);
}

SECTIONS
{
    . = 0x08049000;
    .text : {
        KEEP(*(.text.start))
        *(.text .text.*)
    } :code

    . = ALIGN(4096);
    .rodata : {
        *(.rodata .rodata.*)
    } :rodata
    .qevos.cmdmeta : { KEEP(*(.qevos.cmdmeta)) } :rodata
    .qevos.pkgmeta : { KEEP(*(.qevos.pkgmeta)) } :rodata

    . = ALIGN(4096);
    .data : {
        *(.data .data.*)
    } :data
    .bss : {
        *(.bss .bss.*)
        *(COMMON)
    } :data

    /DISCARD/ : {
        *(.comment)
        *(.note .note.*)
        *(.eh_frame .eh_frame_hdr)
        *(.gnu.*)
        *(.interp .dynamic .dynsym .dynstr .hash .rel.* .got .got.plt .plt)
    }
}
