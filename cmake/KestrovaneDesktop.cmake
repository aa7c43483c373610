# The program on a Linux desktop: its icon rendered from the one drawing of the mark, the menu
# entry, the AppStream metainfo and the man pages, and where `cmake --install` puts them with
# the programs and their private modules.

include(GNUInstallDirs)

set(KESTROVANE_HOMEPAGE "https://kestrovane.example" CACHE STRING
    "Home page named in the AppStream metainfo (its screenshot lies below it)")
# The AppStream id; the menu entry keeps the plain name kestrovane.desktop.
set(KV_APPSTREAM_ID "net.kestrovane.messenger")

# Modules and helper programs that only the program itself loads or starts. They go to a
# private folder, found relative to the installed program (../lib/kestrovane); a new one needs
# only its target name added here.
set(KESTROVANE_PRIVATE_TARGETS kestrovane-media kestrovane-net kestrovane-web)
set(KV_PRIVATE_DIR lib/kestrovane)

set(KV_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
set(KV_ICON_SIZES 16 22 24 32 48 64 128 256)
set(KV_ICON_DIR ${CMAKE_BINARY_DIR}/icons)

if(KESTROVANE_GUI)
    # The mark is drawn once, as SVG; every bitmap size is rendered from it.
    find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    set(KV_ICON_PNGS)
    foreach(size IN LISTS KV_ICON_SIZES)
        set(png ${KV_ICON_DIR}/hicolor/${size}x${size}/apps/kestrovane.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${KV_ICON_DIR}/hicolor/${size}x${size}/apps
            COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                    ${KV_DATA_DIR}/icons/kestrovane.svg
            DEPENDS ${KV_DATA_DIR}/icons/kestrovane.svg
            COMMENT "Rendering the icon at ${size} px" VERBATIM)
        list(APPEND KV_ICON_PNGS ${png})
    endforeach()
    # The logo (the mark with the name beside it) at the heights the main window and the about
    # box show it: drawn as SVG too, so that no start-up spends time on the logo's font.
    set(KV_LOGO_HEIGHTS 40 44)
    set(KV_LOGO_DIR ${CMAKE_BINARY_DIR}/logo)
    set(KV_LOGO_PNGS)
    foreach(height IN LISTS KV_LOGO_HEIGHTS)
        set(png ${KV_LOGO_DIR}/kestrovane-logo-${height}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${KV_LOGO_DIR}
            COMMAND ${RSVG_CONVERT} -h ${height} -o ${png} ${KV_DATA_DIR}/icons/kestrovane-logo.svg
            DEPENDS ${KV_DATA_DIR}/icons/kestrovane-logo.svg ${KV_DATA_DIR}/icons/kestrovane.svg
            COMMENT "Rendering the logo at ${height} px" VERBATIM)
        list(APPEND KV_LOGO_PNGS ${png})
    endforeach()
    add_custom_target(kestrovane_icons ALL DEPENDS ${KV_ICON_PNGS} ${KV_LOGO_PNGS})

    configure_file(${KV_DATA_DIR}/kestrovane.metainfo.xml
        ${CMAKE_BINARY_DIR}/data/${KV_APPSTREAM_ID}.metainfo.xml @ONLY)

    # Man pages are installed compressed, as Debian wants them.
    find_program(GZIP gzip REQUIRED)
    set(KV_MAN_PAGES)
    foreach(page kestrovane kestrovane-send kestrovane-devserver)
        set(gz ${CMAKE_BINARY_DIR}/data/man/${page}.1.gz)
        add_custom_command(OUTPUT ${gz}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/data/man
            COMMAND ${GZIP} -9 -n -c ${KV_DATA_DIR}/man/${page}.1 > ${gz}
            DEPENDS ${KV_DATA_DIR}/man/${page}.1
            COMMENT "Compressing the man page of ${page}")
        list(APPEND KV_MAN_PAGES ${gz})
    endforeach()
    set(KV_CHANGELOG ${CMAKE_BINARY_DIR}/data/changelog.gz)
    add_custom_command(OUTPUT ${KV_CHANGELOG}
        COMMAND ${GZIP} -9 -n -c ${KV_DATA_DIR}/changelog > ${KV_CHANGELOG}
        DEPENDS ${KV_DATA_DIR}/changelog)
    add_custom_target(kestrovane_docs ALL DEPENDS ${KV_MAN_PAGES} ${KV_CHANGELOG})
endif()

# Install rules; called once every target exists.
function(kv_install_desktop_program)
    install(TARGETS kestrovane-send kestrovane-devserver RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/tools/devserver/demo-accounts.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kestrovane)
    if(NOT KESTROVANE_GUI)
        return()
    endif()
    install(TARGETS kestrovane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(TARGETS ${KESTROVANE_PRIVATE_TARGETS}
        LIBRARY DESTINATION ${KV_PRIVATE_DIR}
        RUNTIME DESTINATION ${KV_PRIVATE_DIR})
    install(FILES ${KV_DATA_DIR}/kestrovane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${CMAKE_BINARY_DIR}/data/${KV_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(DIRECTORY ${KV_ICON_DIR}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
    install(FILES ${KV_DATA_DIR}/icons/kestrovane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${KV_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${KV_DATA_DIR}/copyright ${KV_CHANGELOG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrovane)
endfunction()
