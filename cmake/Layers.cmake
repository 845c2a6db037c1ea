# The program's layers, a folder each, and the arrows between them. A
# layer's sources may include the headers of its own folder and of the
# layers it uses, and of no other; only the layers marked "| Qt" may include
# Qt. Every arrow points down: a layer uses only layers listed above it here.
#
# This table is the one statement of the rule. The build links each layer's
# library to the layers it uses (hk_layer_library), and the layer check
# (cmake/CheckLayers.cmake) fails the build and the test suite on any
# #include the table does not allow. Tests, benchmarks and fuzz targets may
# include every layer.
set(HK_LAYER_TABLE
    # the main window's mode state, a plain struct
    "state    :"
    # the file error, the program's text encoding, its places, the time of day
    "base     :"
    # finding, naming and diagnosing the computer's serial devices
    "ports    : base"
    # the serial line seam and its backends, the port routines, the clock,
    # the settings record and its file
    "link     : ports base"
    # the exchange log and its files
    "log      : link base"
    # the controller's frame exchanges, pure bytes over the link
    "protocol : link base"
    # the adapter check: does an adapter send the address byte's parity bit
    "adapter  : link ports base"
    # what both sides keep: memo lines, line encoding, list files
    "lists    : base"
    # the modem side
    "modem    : lists link base state"
    # the controller side
    "device   : lists protocol link base state"
    # the simulated far ends of a line: they speak the byte formats on their
    # own and share no code with the protocol
    "sim      : link ports base"
    # the records of the jobs that touched a device: built from what a job
    # moved over the line, written as JSON and HTML, listed, compared and
    # checked
    "records  : device modem lists protocol log link ports base state"
    # the widget kit the windows share
    "gui      : lists log link ports base state | Qt"
    # the window program (with the demo's simulated adapters, for the
    # adapter check: sim/SimulatedPorts.h)
    "app      : gui records device modem adapter sim lists protocol log link ports base state | Qt"
    # the command-line program (the same)
    "cli      : records device modem adapter sim lists protocol log link ports base state"
)

# HK_LAYERS: the layers in table order; HK_LAYER_USES_<layer>: what each
# uses; HK_LAYER_QT_<layer>: whether it may include Qt.
set(HK_LAYERS)
foreach(row ${HK_LAYER_TABLE})
    if(NOT row MATCHES "^([a-z]+) *:([a-z ]*)(\\| *Qt)? *$")
        message(FATAL_ERROR "cmake/Layers.cmake: a row the table cannot read: \"${row}\"")
    endif()
    set(layer ${CMAKE_MATCH_1})
    string(STRIP "${CMAKE_MATCH_2}" uses)
    string(REPLACE " " ";" uses "${uses}")
    list(REMOVE_ITEM uses "")
    foreach(used ${uses})
        if(NOT used IN_LIST HK_LAYERS)
            message(FATAL_ERROR "cmake/Layers.cmake: ${layer} uses ${used}, which is not "
                                "a layer below it")
        endif()
    endforeach()
    list(APPEND HK_LAYERS ${layer})
    set(HK_LAYER_USES_${layer} ${uses})
    if(CMAKE_MATCH_3)
        set(HK_LAYER_QT_${layer} TRUE)
    else()
        set(HK_LAYER_QT_${layer} FALSE)
    endif()
endforeach()

# Which sources each platform builds (HK_POSIX_ONLY_SOURCES,
# HK_WINDOWS_ONLY_SOURCES, hk_platform_sources).
include(${CMAKE_CURRENT_LIST_DIR}/Platforms.cmake)

# The library of one layer, from its folder's sources (listed in the folder's
# CMakeLists.txt; those of the other platform left out), linked to the layers it uses and, for the windows' layers,
# to Qt. A layer without sources is a library of headers. Its users include
# its headers as "<layer>/<file>.h" from the source folder.
function(hk_layer_library layer)
    cmake_parse_arguments(L "" "" "SOURCES;LIBS" ${ARGN})
    if(NOT layer IN_LIST HK_LAYERS)
        message(FATAL_ERROR "hk_layer_library: ${layer} is not in the layer table")
    endif()
    cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH root)
    hk_platform_sources(L_SOURCES ${L_SOURCES})
    if(L_SOURCES)
        add_library(${layer} STATIC ${L_SOURCES})
        set(scope PUBLIC)
    else()
        add_library(${layer} INTERFACE)
        set(scope INTERFACE)
    endif()
    target_include_directories(${layer} ${scope} ${root})
    target_link_libraries(${layer} ${scope} ${HK_LAYER_USES_${layer}} ${L_LIBS})
    if(HK_LAYER_QT_${layer})
        target_link_libraries(${layer} ${scope} Qt6::Widgets)
    endif()
    if(TARGET layer_check AND L_SOURCES)
        add_dependencies(${layer} layer_check)
    endif()
endfunction()
