# Checks that includes run downward only: every `#include "..."` in src/, tools/ and bench/
# below ROOT names a header of a layer the including file may use. Prints each offence as
# file:line and fails when there is one.
#   cmake -DROOT=<source root> -P include_direction.cmake
#
# What each folder may include (a header's layer is the first folder of its path):
#   src/core     core
#   src/qt       core, qt
#   src/modules  core, qt, modules   (modules are loaded beside the program, never linked)
#   src/ui       core, qt, ui
#   src/webhost  core, qt, webhost   (a program of its own)
#   src/app      core, qt, ui, app
#   tools, bench every layer but app (the entry is no library)
# Includes that do not start with a layer's folder (the C library, a tool's own files) are
# not layers and pass; a path that climbs out with ".." does not.

cmake_minimum_required(VERSION 3.25)

if(NOT ROOT)
    message(FATAL_ERROR "include_direction: ROOT is not set")
endif()

set(kv_layers core qt modules ui webhost app)
set(kv_may_core core)
set(kv_may_qt core qt)
set(kv_may_modules core qt modules)
set(kv_may_ui core qt ui)
set(kv_may_webhost core qt webhost)
set(kv_may_app core qt ui app)
set(kv_may_tools core qt modules ui webhost)

file(GLOB_RECURSE kv_files RELATIVE ${ROOT}
    ${ROOT}/src/*.h ${ROOT}/src/*.cpp
    ${ROOT}/tools/*.h ${ROOT}/tools/*.cpp
    ${ROOT}/bench/*.h ${ROOT}/bench/*.cpp)
list(SORT kv_files)

set(kv_offences 0)
set(kv_checked 0)
foreach(file IN LISTS kv_files)
    if(file MATCHES "^src/([^/]+)/")
        set(own ${CMAKE_MATCH_1})
        if(NOT own IN_LIST kv_layers)
            message("${file}: in src/${own}/, which is no layer")
            math(EXPR kv_offences "${kv_offences} + 1")
            continue()
        endif()
        set(allowed ${kv_may_${own}})
    elseif(file MATCHES "^src/")
        set(own src)
        set(allowed ${kv_layers})
    else()
        set(own tools)
        set(allowed ${kv_may_tools})
    endif()
    math(EXPR kv_checked "${kv_checked} + 1")

    file(STRINGS ${ROOT}/${file} lines)
    set(number 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
            continue()
        endif()
        set(header ${CMAKE_MATCH_1})
        if(header MATCHES "(^|/)\\.\\.(/|$)")
            message("${file}:${number}: includes \"${header}\", a path out of its folder")
            math(EXPR kv_offences "${kv_offences} + 1")
        elseif(header MATCHES "^([^/]+)/")
            set(layer ${CMAKE_MATCH_1})
            if(layer IN_LIST kv_layers AND NOT layer IN_LIST allowed)
                message("${file}:${number}: includes \"${header}\": ${layer}/ is not below ${own}/")
                math(EXPR kv_offences "${kv_offences} + 1")
            endif()
        endif()
    endforeach()
endforeach()

if(kv_offences GREATER 0)
    message(FATAL_ERROR "include_direction: ${kv_offences} include(s) against the layers' direction")
endif()
message("include_direction: ${kv_checked} files, every include downward")
