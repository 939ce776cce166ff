# cmake --install: the program folder goes to lib/korrix/ as it is in the build
# (the program finds its plug-ins, the core and epg/ beside itself), with
# launchers in bin/ and the desktop entry and icons under share/.
set(KRX_INSTALL_FOLDER lib/korrix)

# Every KRX*.so module under plugins/, whichever plug-ins this build has (the
# test modules elsewhere are never shipped).
get_property(krx_top_folders DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY SUBDIRECTORIES)
foreach(folder ${krx_top_folders})
  if(NOT folder MATCHES "^${CMAKE_SOURCE_DIR}/plugins/")
    continue()
  endif()
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "MODULE_LIBRARY" AND target MATCHES "^KRX")
      install(TARGETS ${target} LIBRARY DESTINATION ${KRX_INSTALL_FOLDER})
    endif()
  endforeach()
endforeach()

install(TARGETS KRXCore korrix-cli
  LIBRARY DESTINATION ${KRX_INSTALL_FOLDER}
  RUNTIME DESTINATION ${KRX_INSTALL_FOLDER})
if(TARGET korrix-guide-browser)
  install(TARGETS korrix-guide-browser LIBRARY DESTINATION ${KRX_INSTALL_FOLDER})
endif()
install(FILES ${CMAKE_SOURCE_DIR}/epg/epg.html DESTINATION ${KRX_INSTALL_FOLDER}/epg)
# The File plug-in offers the demo stream it finds beside the program. The
# multiplex definitions files are not installed: the build's copies hold
# paths into the build tree, and each plug-in writes a fresh one itself.
install(FILES ${KRX_PROGRAM_FOLDER}/demo/demo.ts DESTINATION ${KRX_INSTALL_FOLDER}/demo OPTIONAL)

# Launchers: links into the program folder, so each binary still finds its
# folder through /proc/self/exe.
install(CODE "
  file(MAKE_DIRECTORY \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin)
  file(CREATE_LINK ../${KRX_INSTALL_FOLDER}/korrix-cli \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/korrix-cli SYMBOLIC)")
if(TARGET Korrix)
  install(TARGETS Korrix RUNTIME DESTINATION ${KRX_INSTALL_FOLDER})
  install(CODE "
    file(CREATE_LINK ../${KRX_INSTALL_FOLDER}/Korrix \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/korrix SYMBOLIC)")
endif()

install(FILES ${CMAKE_SOURCE_DIR}/app/desktop/korrix.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/app/icons/korrix.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 48 256)
  install(FILES ${CMAKE_SOURCE_DIR}/app/icons/korrix-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME korrix.png)
endforeach()
