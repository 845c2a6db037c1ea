# The layer check: reads every #include of every layer's sources and fails
# on each one that cmake/Layers.cmake does not allow, naming the file, the
# include and the two layers.
#
#   cmake -DHK_ROOT=<source folder> -P cmake/CheckLayers.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)
if(NOT HK_ROOT)
    message(FATAL_ERROR "CheckLayers.cmake: give the source folder as -DHK_ROOT=...")
endif()

set(faults 0)
set(checked 0)
foreach(layer ${HK_LAYERS})
    file(GLOB_RECURSE sources RELATIVE ${HK_ROOT} ${HK_ROOT}/${layer}/*.h ${HK_ROOT}/${layer}/*.cpp)
    foreach(source ${sources})
        math(EXPR checked "${checked} + 1")
        file(STRINGS ${HK_ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
        foreach(line ${includes})
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" included
                                 "${line}")
            if(included MATCHES "^(Q[A-Za-z0-9]*|Qt[A-Za-z0-9]*/.*)$")
                if(NOT HK_LAYER_QT_${layer})
                    message("layer check: ${source}: ${layer} may not include Qt (<${included}>); "
                            "Qt belongs to the windows' layers only")
                    math(EXPR faults "${faults} + 1")
                endif()
            elseif(included MATCHES "^([a-z]+)/")
                set(target ${CMAKE_MATCH_1})
                if(target STREQUAL layer OR NOT target IN_LIST HK_LAYERS)
                    continue()
                endif()
                if(NOT target IN_LIST HK_LAYER_USES_${layer})
                    string(REPLACE ";" " " allowed "${HK_LAYER_USES_${layer}}")
                    if(NOT allowed)
                        set(allowed "none")
                    endif()
                    message("layer check: ${source}: ${layer} may not include ${target} "
                            "(\"${included}\"); ${layer} may use: ${allowed}")
                    math(EXPR faults "${faults} + 1")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults GREATER 0)
    message(FATAL_ERROR "layer check: ${faults} include(s) against cmake/Layers.cmake")
endif()
string(REPLACE ";" " " layers "${HK_LAYERS}")
message("layer check: ${checked} sources of ${layers}: every include allowed")
