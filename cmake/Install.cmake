# What `cmake --install` puts in place: the program, its menu entry, its icon
# and the file type of vocabulary databases (*.wkd), in the folders below the
# prefix where a freedesktop desktop looks for them.
include(GNUInstallDirs)

install(TARGETS wortkiste RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/wortkiste.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/wortkiste.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/wortkiste.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# The desktop learns of the new type, entry and icon at once. A staged
# install (DESTDIR, for a package) leaves that to the package's triggers.
install(CODE "set(wk_datadir \"${CMAKE_INSTALL_DATADIR}\")")
install(CODE [[
  if("$ENV{DESTDIR}" STREQUAL "")
    set(wk_share "${CMAKE_INSTALL_PREFIX}/${wk_datadir}")
    find_program(wk_update_mime update-mime-database)
    find_program(wk_update_desktop update-desktop-database)
    find_program(wk_update_icons gtk-update-icon-cache)
    if(wk_update_mime)
      execute_process(COMMAND ${wk_update_mime} "${wk_share}/mime")
    endif()
    if(wk_update_desktop)
      execute_process(COMMAND ${wk_update_desktop} -q "${wk_share}/applications")
    endif()
    if(wk_update_icons)
      execute_process(COMMAND ${wk_update_icons} -q -t -f "${wk_share}/icons/hicolor")
    endif()
  endif()
]])
