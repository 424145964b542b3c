# Strict warnings for the project's own targets only (third-party code is built without them).
function(kelo_strict_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(KELO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# A Qt Test program registered with CTest; runs offscreen.
function(kelo_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  kelo_strict_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
