# One INTERFACE target carries the compiler policy every target of ours links.
add_library(yomida_policy INTERFACE)
target_compile_features(yomida_policy INTERFACE cxx_std_20)
target_compile_options(yomida_policy INTERFACE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
# GCC 12 reports std::string concatenation at -O3 as overlapping memcpy (its bug 105329).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(yomida_policy INTERFACE -Wno-restrict)
endif()
if(YOMIDA_WERROR)
    target_compile_options(yomida_policy INTERFACE -Werror)
endif()

if(YOMIDA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
