# The host world: native C++20 tools, warnings as errors.
add_library(qevos_host_flags INTERFACE)
target_compile_features(qevos_host_flags INTERFACE cxx_std_20)
target_compile_options(qevos_host_flags INTERFACE -O2 -g -Wall -Wextra -Werror)
target_include_directories(qevos_host_flags INTERFACE ${PROJECT_SOURCE_DIR}/abi)
