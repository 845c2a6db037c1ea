# The sources built on one platform only. Each folder lists all its sources;
# hk_layer_library (and hk_platform_sources for programs) keeps those of the
# platform being built. Every source not named here is shared by Linux and
# Windows and must build on both: the POSIX header check
# (cmake/CheckPosixHeaders.cmake) fails on a POSIX-only header in one of
# them that is not under #ifndef _WIN32, and the Windows cross-build
# (cmake/windows/) compiles them all with mingw-w64.
set(HK_POSIX_ONLY_SOURCES
    # the serial line on termios
    link/PosixSerialLine.cpp link/PosixSerialLine.h
    # the simulated devices on pseudo-terminals, and the program serving them
    sim/PtyBridge.cpp sim/PtyBridge.h
    sim/kvard_sim/main.cpp
    # the command line's words, the executable's folder and the terminal
    cli/PosixConsole.cpp
    # the signals that stop a job
    base/PosixInterruption.cpp
    # SHA-256 from OpenSSL's libcrypto
    records/PosixSha256.cpp
    # who the adapter behind a port is: sysfs
    ports/PosixAdapterIdentity.cpp
)
set(HK_WINDOWS_ONLY_SOURCES
    link/Win32SerialLine.cpp link/Win32SerialLine.h
    cli/WindowsConsole.cpp
    base/WindowsInterruption.cpp
    # SHA-256 from Windows' CNG (bcrypt)
    records/WindowsSha256.cpp
    # who the adapter behind a port is: SetupAPI
    ports/WindowsAdapterIdentity.cpp
)

cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH HK_SOURCE_ROOT)

# `out` := those of the sources (named relative to the current folder) that
# this platform builds.
function(hk_platform_sources out)
    if(WIN32)
        set(other ${HK_POSIX_ONLY_SOURCES})
    else()
        set(other ${HK_WINDOWS_ONLY_SOURCES})
    endif()
    set(kept)
    foreach(source ${ARGN})
        file(RELATIVE_PATH name ${HK_SOURCE_ROOT} ${CMAKE_CURRENT_SOURCE_DIR}/${source})
        if(NOT name IN_LIST other)
            list(APPEND kept ${source})
        endif()
    endforeach()
    set(${out} ${kept} PARENT_SCOPE)
endfunction()
