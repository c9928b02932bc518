/* Entry point. The loader leaves the argument count at esp and the argument vector
 * directly above it; nothing else is read. main gets exactly those two, and its
 * result goes to _exit unchanged. */
    .section .text.start, "ax"
    .globl _start
    .type _start, @function
_start:
    movl (%esp), %eax          /* count */
    leal 4(%esp), %ecx         /* vector */
    andl $-16, %esp
    subl $4, %esp              /* one reserved word: main is entered at a multiple of 16 */
    pushl %ecx
    pushl %eax
    call main
    pushl %eax
    call _exit
.hang:
    jmp .hang
    .size _start, . - _start

    .section .note.GNU-stack, "", @progbits
