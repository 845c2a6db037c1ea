# The POSIX header check: every source of every layer that both platforms
# build (all but those cmake/Platforms.cmake names for one platform) may
# include a POSIX-only header only where Windows does not see it: under
# #ifndef _WIN32, in the #else of #ifdef _WIN32, or under #ifdef __linux__.
# <fcntl.h>, which the Windows C runtime has in its own form, must stand in
# one of the two platforms' branches. Fails naming the file, the header and
# what to do.
#
#   cmake -DHK_ROOT=<source folder> -P cmake/CheckPosixHeaders.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)
if(NOT HK_ROOT)
    message(FATAL_ERROR "CheckPosixHeaders.cmake: give the source folder as -DHK_ROOT=...")
endif()

set(kPosixOnly "^((unistd|termios|termio|poll|pwd|grp|pty|utmp|dlfcn|dirent|libgen|glob|fnmatch|syslog|pthread|semaphore|spawn|netdb|strings|sched)\\.h|sys/(ioctl|poll|file|wait|select|socket|mman|resource|sysmacros|time|un|uio|utsname|statvfs|param|prctl|epoll|inotify|eventfd|signalfd|timerfd)\\.h|(netinet|arpa|linux|asm)/.*)$")
set(kBothKinds "^fcntl\\.h$")

# The kind of a region that an #if, #ifdef or #ifndef opens, and the kind of
# its #else: windows (built only there), posix (never there) or shared.
function(hk_region_of directive condition kind elseKind)
    string(REGEX REPLACE "[ \t]+" "" c "${condition}")
    if((directive STREQUAL "ifdef" AND c STREQUAL "_WIN32") OR
       (directive STREQUAL "if" AND c MATCHES "^defined\\(?_WIN32\\)?$"))
        set(k windows)
        set(e posix)
    elseif((directive STREQUAL "ifndef" AND c STREQUAL "_WIN32") OR
           (directive STREQUAL "if" AND c MATCHES "^!defined\\(?_WIN32\\)?$"))
        set(k posix)
        set(e windows)
    elseif((directive STREQUAL "ifdef" AND c MATCHES "^(__linux__|__unix__|__APPLE__)$") OR
           (directive STREQUAL "if" AND c MATCHES "^defined\\(?(__linux__|__unix__|__APPLE__)\\)?$"))
        set(k posix)
        set(e shared)
    else()
        set(k shared)
        set(e shared)
    endif()
    set(${kind} ${k} PARENT_SCOPE)
    set(${elseKind} ${e} PARENT_SCOPE)
endfunction()

set(faults 0)
set(checked 0)
foreach(layer ${HK_LAYERS})
    file(GLOB_RECURSE sources RELATIVE ${HK_ROOT} ${HK_ROOT}/${layer}/*.h ${HK_ROOT}/${layer}/*.cpp)
    foreach(source ${sources})
        if(source IN_LIST HK_POSIX_ONLY_SOURCES OR source IN_LIST HK_WINDOWS_ONLY_SOURCES)
            continue()
        endif()
        math(EXPR checked "${checked} + 1")
        file(STRINGS ${HK_ROOT}/${source} directives
             REGEX "^[ \t]*#[ \t]*(if|ifdef|ifndef|elif|else|endif|include)([ \t<\"(!]|$)")
        # One entry an open conditional: "<kind>:<kind of its #else>".
        set(stack)
        foreach(line ${directives})
            string(REGEX MATCH "^[ \t]*#[ \t]*([a-z]+)[ \t]*(.*)$" _ "${line}")
            set(directive ${CMAKE_MATCH_1})
            string(REGEX REPLACE "[ \t]*//.*$" "" argument "${CMAKE_MATCH_2}")
            if(directive MATCHES "^(if|ifdef|ifndef)$")
                hk_region_of(${directive} "${argument}" kind elseKind)
                list(APPEND stack "${kind}:${elseKind}")
            elseif(directive MATCHES "^(elif|else)$")
                list(LENGTH stack depth)
                if(depth EQUAL 0)
                    continue()
                endif()
                list(POP_BACK stack top)
                string(REPLACE ":" ";" top "${top}")
                list(GET top 0 kind)
                list(GET top 1 elseKind)
                if(directive STREQUAL "else")
                    list(APPEND stack "${elseKind}:${elseKind}")
                elseif(kind STREQUAL "shared")
                    hk_region_of(if "${argument}" kind elseKind)
                    list(APPEND stack "${kind}:${elseKind}")
                else()
                    # After a branch of one platform, the rest is the other's.
                    list(APPEND stack "${elseKind}:${elseKind}")
                endif()
            elseif(directive STREQUAL "endif")
                list(LENGTH stack depth)
                if(depth GREATER 0)
                    list(POP_BACK stack)
                endif()
            elseif(argument MATCHES "^[<\"]([^>\"]*)[>\"]")
                set(header ${CMAKE_MATCH_1})
                set(region shared)
                foreach(entry ${stack})
                    if(entry MATCHES "^posix:")
                        set(region posix)
                    elseif(entry MATCHES "^windows:" AND NOT region STREQUAL "posix")
                        set(region windows)
                    endif()
                endforeach()
                if(header MATCHES "${kPosixOnly}" AND NOT region STREQUAL "posix")
                    if(region STREQUAL "windows")
                        message("posix header check: ${source}: <${header}> stands under "
                                "#ifdef _WIN32, but Windows has no such header; it belongs in "
                                "the #else branch")
                    else()
                        message("posix header check: ${source}: <${header}> is POSIX only, and "
                                "this source is built on Windows too. Put the include and the "
                                "code that needs it under #ifndef _WIN32 (the Windows way under "
                                "#ifdef _WIN32), or move that code into a source of its own "
                                "named POSIX-only in cmake/Platforms.cmake")
                    endif()
                    math(EXPR faults "${faults} + 1")
                elseif(header MATCHES "${kBothKinds}" AND region STREQUAL "shared")
                    message("posix header check: ${source}: <${header}> is included for both "
                            "platforms, but POSIX's and the Windows C runtime's differ "
                            "(O_CLOEXEC, _O_BINARY): include it under #ifdef _WIN32 and under "
                            "#else, each beside the code that uses it")
                    math(EXPR faults "${faults} + 1")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults GREATER 0)
    message(FATAL_ERROR "posix header check: ${faults} POSIX-only include(s) in sources "
                        "Windows builds too")
endif()
message("posix header check: ${checked} sources built on both platforms: no POSIX-only header "
        "where Windows would see it")
