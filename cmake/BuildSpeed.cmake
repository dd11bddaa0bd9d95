# What keeps the build quick on a two-core machine without changing what is built.
#
# A unity build: each target compiles its sources a few files at a time in one unit, so the
# standard library's, GoogleTest's and Qt's headers are read once per batch instead of once per
# file. Measured on two cores it halves both the release and the sanitizer build, where
# precompiled headers did not pay (they cost more than they saved under the sanitizers, and
# GCC 12 reports its own library's code as ours through them). Names in anonymous namespaces must
# therefore differ across the files of one folder; YOMIDA_UNITY=OFF builds file by file.
option(YOMIDA_UNITY "Compile each target a few files at a time in one unit" ON)
if(YOMIDA_UNITY)
    set(CMAKE_UNITY_BUILD ON)
    set(CMAKE_UNITY_BUILD_BATCH_SIZE 8)
endif()

# ccache, when it is installed: a second build of the same sources is read back from the cache.
# A fresh machine without it builds as before; YOMIDA_CCACHE=OFF turns it off where it is there.
find_program(YOMIDA_CCACHE_PROGRAM ccache)
if(YOMIDA_CCACHE_PROGRAM)
    option(YOMIDA_CCACHE "Compile through ccache" ON)
else()
    set(YOMIDA_CCACHE OFF)
endif()
if(YOMIDA_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set(CMAKE_CXX_COMPILER_LAUNCHER ${YOMIDA_CCACHE_PROGRAM})
endif()
