# Project-wide compile settings, applied per target so that third-party code keeps its own.

# Warnings are errors in the project's own development and CI builds (scripts/test turns this
# on), not in a packager's build, where another compiler or optimisation level may warn where
# these do not.
option(KESTROVANE_WERROR "Treat compiler warnings as errors" OFF)

if(KESTROVANE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "KESTROVANE_FUZZ needs clang (libFuzzer)")
    endif()
    if(KESTROVANE_TESTS)
        message(FATAL_ERROR "KESTROVANE_FUZZ is a build of its own: set KESTROVANE_TESTS=OFF")
    endif()
    set(KESTROVANE_SANITIZE address)
    # Coverage feedback for libFuzzer in everything the targets link.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
if(KESTROVANE_SANITIZE STREQUAL "address")
    set(KV_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
elseif(KESTROVANE_SANITIZE STREQUAL "thread")
    set(KV_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT KESTROVANE_SANITIZE STREQUAL "")
    message(FATAL_ERROR "KESTROVANE_SANITIZE must be empty, 'address' or 'thread'")
endif()
if(KV_SANITIZER_FLAGS)
    add_compile_options(${KV_SANITIZER_FLAGS})
    add_link_options(${KV_SANITIZER_FLAGS})
endif()

# kv_project_target(<target>): the project's warnings (errors with KESTROVANE_WERROR) and the
# source root on the include path.
function(kv_project_target target)
    target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${KESTROVANE_WERROR}>:-Werror>)
    # g++ 12 reports overlapping copies inside std::string's own operator+ when it inlines at
    # -O3 (GCC bug 105651, fixed in 13): there the warning stays visible but stops no build.
    if(KESTROVANE_WERROR AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU"
       AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Wno-error=restrict>)
    endif()
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# kv_qt_target(<target>): a project target that uses Qt's meta-object compiler.
function(kv_qt_target target)
    kv_project_target(${target})
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
endfunction()
