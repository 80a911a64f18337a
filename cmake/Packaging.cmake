# cmake --install puts the program, its guide, its desktop entry and icons
# under the usual prefix layout; cpack makes a Debian package of the same.
include(GNUInstallDirs)
# Installing and packaging take the program as built: `make package` builds
# only the program, and the package test packs the tree the tests built.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS korvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The desktop entry starts the program through this, in ~/Korvane.
install(PROGRAMS ${PROJECT_SOURCE_DIR}/resources/desktop/korvane-desktop
        DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/web/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/korvane/web)
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/korvane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# Assembly sources, for a MIME database that has no such type.
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/korvane-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME korvane.xml)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Manual pages and the changelog go compressed, as Debian wants them.
find_program(KORVANE_GZIP gzip)
if(KORVANE_GZIP)
    set(KORVANE_COMPRESSED)
    foreach(source resources/man/korvane.1 resources/man/korvane-desktop.1 resources/man/korvane-check.1
                   resources/debian/changelog)
        get_filename_component(name ${source} NAME)
        add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/compressed/${name}.gz
            COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/compressed
            COMMAND ${KORVANE_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/${source}
                    > ${PROJECT_BINARY_DIR}/compressed/${name}.gz
            DEPENDS ${PROJECT_SOURCE_DIR}/${source} VERBATIM)
        list(APPEND KORVANE_COMPRESSED ${PROJECT_BINARY_DIR}/compressed/${name}.gz)
    endforeach()
    add_custom_target(korvane_compressed ALL DEPENDS ${KORVANE_COMPRESSED})
    add_dependencies(korvane korvane_compressed)
    install(FILES ${PROJECT_BINARY_DIR}/compressed/korvane.1.gz
                  ${PROJECT_BINARY_DIR}/compressed/korvane-desktop.1.gz
                  ${PROJECT_BINARY_DIR}/compressed/korvane-check.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${PROJECT_BINARY_DIR}/compressed/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/app/korvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/app/korvane-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME korvane.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_CONTACT "Korvane developers <dev@korvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small IDE for 16-bit DOS assembly programs (MASM)")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Korvane is a desktop IDE for students and teachers of 8086 assembly: a coloured\n\
multi-document editor, assembling with MASM and a short error report, linking,\n\
running and debugging on an 8086 PC built into the program, with DOSBox as the\n\
fallback for graphics programs, DEBUG and the DOS prompt. The interface is in\n\
Simplified Chinese.\n\
It can download the free MASM 5.10, LINK 3.65 and DEBUG (MIT licence) for you.")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://korvane.org/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The DOS tools run on the emulated 8086 (Unicorn) or in DOSBox; without a CJK
# font every caption is boxes; the toolkit's platform plugin and its SVG icon
# engine are found at run time, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "dosbox, fonts-wqy-zenhei | fonts-wqy-microhei | fonts-noto-cjk, qt6-qpa-plugins, libqt6svg6")
find_program(KORVANE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(KORVANE_DPKG_SHLIBDEPS)
    # The libraries the program links (Qt, Unicorn, Capstone), with their versions, and
    # the web engine's helper process, which its library names.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
           ", libqt6core6, libqt6gui6, libqt6widgets6, libqt6printsupport6, libqt6network6, libqt6webenginecore6, libqt6webenginecore6-bin, libqt6webenginewidgets6, libqt6multimedia6, libunicorn2, libcapstone4, libzip4")
endif()
# xdg-utils opens the tool search page in the system's browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
include(CPack)
