# vt_add_plugin(<target> OUTPUT_NAME <name> LIBRARIES <libs...>)
# A loadable plug-in module that exports exactly VSTPluginMain and main, one
# function under two names, and hides every other symbol.
function(vt_add_plugin target)
    cmake_parse_arguments(ARG "" "OUTPUT_NAME" "SOURCES;LIBRARIES" ${ARGN})
    add_library(${target} MODULE ${PROJECT_SOURCE_DIR}/host/entry.cpp ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBRARIES} vt_host vt_warnings)
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${ARG_OUTPUT_NAME})
    if(WIN32)
        target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/host/exports.def)
    else()
        # clang links the sanitizer runtimes into executables only: a module
        # built with them leaves their symbols to the program that loads it.
        target_link_options(${target} PRIVATE
            -Wl,--version-script=${PROJECT_SOURCE_DIR}/host/exports.map
            -Wl,--defsym,main=VSTPluginMain
            $<$<NOT:$<AND:$<CXX_COMPILER_ID:Clang>,$<BOOL:${VT_SANITIZE}>>>:-Wl,--no-undefined>)
        set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/host/exports.map)
    endif()
endfunction()
