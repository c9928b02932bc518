# The target world: i386, freestanding C++20 (and C11), no exceptions, RTTI, C++
# library or host C library, no PIC, no stack protector, no SSE or MMX. 64-bit
# division comes from the compiler's runtime library, linked statically.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -m32 -print-file-name=include
                OUTPUT_VARIABLE QEVOS_COMPILER_INCLUDE OUTPUT_STRIP_TRAILING_WHITESPACE)

set(QEVOS_TARGET_COMMON_FLAGS
    -m32 -ffreestanding -nostdinc -isystem ${QEVOS_COMPILER_INCLUDE}
    -fno-pie -fno-pic -fno-stack-protector -fno-builtin -fno-tree-loop-distribute-patterns
    -mno-sse -mno-sse2 -mno-mmx -mno-3dnow -fno-asynchronous-unwind-tables -fno-unwind-tables
    -O2 -Wall -Wextra -Werror)

add_library(qevos_target_flags INTERFACE)
target_compile_options(qevos_target_flags INTERFACE
    ${QEVOS_TARGET_COMMON_FLAGS}
    $<$<COMPILE_LANGUAGE:CXX>:-std=c++20 -fno-exceptions -fno-rtti -fno-threadsafe-statics>
    $<$<COMPILE_LANGUAGE:C>:-std=c11>)
target_include_directories(qevos_target_flags INTERFACE
    ${PROJECT_SOURCE_DIR}/libc/include ${PROJECT_SOURCE_DIR}/abi)

set(QEVOS_LINKER_SCRIPT ${PROJECT_SOURCE_DIR}/link/image.ld)

# qevos_add_image(NAME SOURCES src... [OUTPUT_DIRECTORY dir])
# An image links the start-up object, the given sources and the whole library:
# every library function is in every image.
function(qevos_add_image name)
    cmake_parse_arguments(IMG "" "OUTPUT_DIRECTORY" "SOURCES" ${ARGN})
    add_executable(${name} ${IMG_SOURCES} $<TARGET_OBJECTS:qevos_crt0>)
    target_link_libraries(${name} PRIVATE qevos_target_flags
                          "$<LINK_LIBRARY:WHOLE_ARCHIVE,qevosc>" gcc)
    target_link_options(${name} PRIVATE -m32 -nostdlib -static -no-pie
                        -Wl,-T,${QEVOS_LINKER_SCRIPT} -Wl,--build-id=none -Wl,-z,max-page-size=4096
                        -Wl,-z,noexecstack -Wl,-z,norelro -Wl,-s)
    set_target_properties(${name} PROPERTIES LINK_DEPENDS ${QEVOS_LINKER_SCRIPT})
    if(IMG_OUTPUT_DIRECTORY)
        set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${IMG_OUTPUT_DIRECTORY})
    endif()
endfunction()
