# The two header-only libraries of hayeskvd-cli, CLI11 (its command line) and
# nlohmann/json (its --json output), as the target hk_cli_libraries, and
# nlohmann/json alone as hk_json (the records of the jobs); Debian ships them
# as libcli11-dev and nlohmann-json3-dev (scripts/setup.sh).
#
# Natively they are found by their own CMake package files. Cross-compiled
# for Windows (cmake/mingw-w64.cmake) the build machine's headers are taken
# all the same, since they are the same for every platform, but through a
# folder of the build tree that holds only their two folders, CLI/ and
# nlohmann/: the cross-compiler must not see the rest of /usr/include, the
# build machine's C library and system headers.
include_guard(GLOBAL)

add_library(hk_json INTERFACE)
add_library(hk_cli_libraries INTERFACE)
target_link_libraries(hk_cli_libraries INTERFACE hk_json)
if(NOT CMAKE_CROSSCOMPILING)
    find_package(CLI11 2.1 CONFIG REQUIRED)
    find_package(nlohmann_json 3.10 CONFIG REQUIRED)
    target_link_libraries(hk_json INTERFACE nlohmann_json::nlohmann_json)
    target_link_libraries(hk_cli_libraries INTERFACE CLI11::CLI11)
    return()
endif()

set(HK_HOST_HEADERS /usr/include CACHE PATH
    "Where the build machine keeps CLI/ and nlohmann/ (libcli11-dev, nlohmann-json3-dev)")
set(folder ${CMAKE_BINARY_DIR}/header-libraries)
foreach(library CLI/CLI.hpp nlohmann/json.hpp)
    if(NOT EXISTS ${HK_HOST_HEADERS}/${library})
        message(FATAL_ERROR "${HK_HOST_HEADERS}/${library} is missing: install libcli11-dev and "
                            "nlohmann-json3-dev (scripts/setup.sh), or give -DHK_HOST_HEADERS=")
    endif()
    cmake_path(GET library PARENT_PATH name)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${HK_HOST_HEADERS}/${name} ${folder}/${name} SYMBOLIC)
endforeach()
target_include_directories(hk_json SYSTEM INTERFACE ${folder})
