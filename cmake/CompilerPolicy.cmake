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

# The distribution's hardening for what users run: fortified libc calls, a stack protector,
# read-only relocations bound at start and a position-independent executable. Fortification
# needs the optimiser, and the sanitizers bring checks of their own.
option(YOMIDA_HARDEN "Build with the hardening flags of a Debian package" ON)
if(YOMIDA_HARDEN AND NOT YOMIDA_SANITIZE AND NOT YOMIDA_FUZZ)
    include(CheckPIESupported)
    check_pie_supported(LANGUAGES CXX)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    add_compile_options(-fstack-protector-strong -fstack-clash-protection
                        $<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE>
                        $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86)$")
        add_compile_options(-fcf-protection)
    endif()
    add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
