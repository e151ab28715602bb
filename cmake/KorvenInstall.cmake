# Where an installed KORVEN puts its files, following the freedesktop
# conventions: programs in bin/, the desktop entry, AppStream metainfo,
# icons, the project file type and its thumbnailer under share/.
# Debian keeps a package's documents under its lower-case name.
set(CMAKE_INSTALL_DOCDIR share/doc/korven)
include(GNUInstallDirs)

set(korven_desktop_dir ${CMAKE_SOURCE_DIR}/resources/desktop)
set(korven_app_id net.korvensoft.korven)

if(TARGET korven)
  install(TARGETS korven RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${korven_desktop_dir}/${korven_app_id}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${korven_desktop_dir}/${korven_app_id}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 22 24 32 48 64 128 256 512)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/korven-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${korven_app_id}.png)
  endforeach()
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/korven.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${korven_app_id}.svg)
endif()

# korven-cli hands every command but the quick ones to korven-cli-full beside it.
install(TARGETS korven-cli korven-cli-full RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The PRG export's cruncher, looked for beside the program as exomizer.exe.
install(TARGETS exomizer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${korven_desktop_dir}/${korven_app_id}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${korven_desktop_dir}/korven.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES ${korven_desktop_dir}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Manual pages and the changelog go out compressed, as Debian expects.
find_program(KORVEN_GZIP gzip REQUIRED)
set(korven_compressed)
foreach(page korven.1 korven-cli.1 changelog)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/compressed/${page}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/compressed
    COMMAND ${KORVEN_GZIP} -9nc ${korven_desktop_dir}/${page} > ${out}
    DEPENDS ${korven_desktop_dir}/${page} VERBATIM)
  list(APPEND korven_compressed ${out})
endforeach()
add_custom_target(korven_compressed_docs ALL DEPENDS ${korven_compressed})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/compressed/korven-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET korven)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/compressed/korven.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/compressed/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# scripts/package: a Debian package that depends on the distribution's Qt 6.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korven)
set(CPACK_PACKAGE_VENDOR korvensoft)
set(CPACK_PACKAGE_CONTACT "korvensoft <korven@korvensoft.net>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pixel-art editor for Commodore 64 graphics")
set(CPACK_PACKAGE_DESCRIPTION
    "KORVEN draws Commodore 64 hires and multicolor bitmaps with border sprites,\nkeeping every char cell and sprite inside the hardware's colour limits, with\nunlimited undo saved in the project file. It imports the classic C64 paint\nformats and comes with korven-cli for scripts.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://korvensoft.net/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs Qt's platform plugins, which the libraries only recommend.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
