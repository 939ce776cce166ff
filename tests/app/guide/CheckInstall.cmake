# Installs the build into PREFIX and checks what a user's desktop needs from it.
# Run with: cmake -DBUILD=... -DPREFIX=... -DWITH_PROGRAM=0|1 -P CheckInstall.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
  RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

set(folder ${PREFIX}/lib/korrix)
set(expected
  ${folder}/libKRXCore.so ${folder}/korrix-cli ${folder}/KRXFileInput.so ${folder}/korrix-guide-browser.so ${folder}/epg/epg.html
  ${PREFIX}/bin/korrix-cli ${PREFIX}/share/applications/korrix.desktop
  ${PREFIX}/share/icons/hicolor/scalable/apps/korrix.svg
  ${PREFIX}/share/icons/hicolor/48x48/apps/korrix.png ${PREFIX}/share/icons/hicolor/256x256/apps/korrix.png)
if(WITH_PROGRAM)
  list(APPEND expected ${folder}/Korrix ${PREFIX}/bin/korrix)
endif()
foreach(path ${expected})
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
# Neither the build's definitions files (they point into the build tree) nor
# the test suite's plug-in modules belong to a user's program folder.
file(GLOB strays "${folder}/* Multiplexes.txt" "${folder}/KRXTest*")
if(strays)
  message(FATAL_ERROR "installed but not part of the program: ${strays}")
endif()

find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND ${VALIDATE} ${PREFIX}/share/applications/korrix.desktop
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR output)
    message(FATAL_ERROR "korrix.desktop is not valid: ${output}")
  endif()
endif()

# The launcher finds its program folder, the core and the plug-ins from bin/.
execute_process(COMMAND ${PREFIX}/bin/korrix-cli plugins
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT output MATCHES "input +File")
  message(FATAL_ERROR "the installed korrix-cli does not run with its plug-ins: ${result} ${output} ${errors}")
endif()
execute_process(COMMAND ${PREFIX}/bin/korrix-cli --version
  RESULT_VARIABLE result OUTPUT_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output MATCHES "^korrix-cli [0-9]")
  message(FATAL_ERROR "the installed korrix-cli --version failed: ${result} ${output}")
endif()
