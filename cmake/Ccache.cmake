# Compiles through ccache when it is installed (HK_CCACHE=OFF turns it off).
# The cache lies in ccache's own folder under the user's cache folder
# (~/.cache/ccache), shared by every build folder and every clone: paths
# under the source tree are hashed relative to it and the build folder is
# left out of the hash, so a fresh clone elsewhere finds what an earlier
# one compiled. `ccache --show-stats` tells the hit rate.
option(HK_CCACHE "Compile through ccache when it is installed" ON)
if(HK_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    find_program(HK_CCACHE_PROGRAM ccache)
    if(HK_CCACHE_PROGRAM)
        set(launcher env CCACHE_BASEDIR=${HK_CCACHE_BASEDIR} CCACHE_NOHASHDIR=1
            CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
            ${HK_CCACHE_PROGRAM})
        set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
        set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
    endif()
endif()
