# gtest_discover_tests (CMake 3.25) flattens its PROPERTIES into one list, so a
# property given several values (LABELS "a;b", ENVIRONMENT "A=1;B=2") keeps
# only its first and turns the rest into names of other properties, dropping
# everything after it. The discovered tests get their properties here instead,
# from a file ctest reads once it has discovered them.
# Usage: krx_discover_tests(<target> LABELS <list> [TIMEOUT <s>] [ENVIRONMENT <list>]
#                           [RESOURCE_LOCK <name>] [COST <s>])
function(krx_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "LABELS;TIMEOUT;ENVIRONMENT;RESOURCE_LOCK;COST" "")
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST TEST_LIST ${target}_TESTS)
  set(properties "")
  foreach(name LABELS TIMEOUT ENVIRONMENT RESOURCE_LOCK COST)
    if(DEFINED arg_${name})
      string(APPEND properties " ${name} [==[${arg_${name}}]==]")
    endif()
  endforeach()
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_properties.cmake)
  # Before the program is built there are no tests, only a placeholder.
  file(WRITE ${file} "if(${target}_TESTS)\n  set_tests_properties(\${${target}_TESTS} PROPERTIES${properties})\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
endfunction()
