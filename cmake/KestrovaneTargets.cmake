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
    # A precompiled header that does not fit its user is an error, not a silently slower build
    # (clang refuses one anyway).
    if(KESTROVANE_PCH AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -Winvalid-pch)
    endif()
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

# Precompiled headers. Qt's and GoogleTest's headers are most of what the windows and the tests
# compile; each set is compiled once, in a small target of its own, and reused by every target
# of its kind, which shares its compile flags (kv_project_target's warnings, the sanitizers).
option(KESTROVANE_PCH "Precompile the Qt and GoogleTest headers" ON)

set(KV_PCH_STD <algorithm> <chrono> <functional> <map> <memory> <mutex> <optional> <string>
    <string_view> <thread> <vector>)
set(KV_PCH_QT ${KV_PCH_STD} <QAction> <QApplication> <QCheckBox> <QDialog> <QLabel> <QLineEdit>
    <QMainWindow> <QMenu> <QMenuBar> <QPainter> <QPlainTextEdit> <QPointer> <QPushButton>
    <QString> <QTimer> <QWidget>)

# kv_pch_host(<name> HEADERS <headers...> LIBS <libraries...>): a target that only compiles the
# headers, for others to reuse. An executable, so that its code model matches the executables
# that reuse it.
function(kv_pch_host name)
    cmake_parse_arguments(ARG "" "" "HEADERS;LIBS" ${ARGN})
    set(main ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp)
    if(NOT EXISTS ${main})
        file(WRITE ${main} "int main() { return 0; }\n")
    endif()
    add_executable(${name} EXCLUDE_FROM_ALL ${main})
    kv_project_target(${name})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_precompile_headers(${name} PRIVATE ${ARG_HEADERS})
endfunction()

# kv_pch(<target> <host>): the target reuses the host's precompiled headers.
function(kv_pch target host)
    if(KESTROVANE_PCH)
        target_precompile_headers(${target} REUSE_FROM ${host})
    endif()
endfunction()
