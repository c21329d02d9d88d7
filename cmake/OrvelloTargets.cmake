# Helpers for the repeated shapes of the project's targets.

# orvello_add_tool(<program>)
# The measurement tool <program>, built from main.cc in the current folder,
# and installed beside the front end.
function(orvello_add_tool program)
  add_executable(${program} main.cc)
  target_link_libraries(${program} PRIVATE Orvello::tool Orvello::warnings)
  install(TARGETS ${program} RUNTIME DESTINATION bin)
endfunction()

# orvello_add_gtest(<name> SOURCES <file>... [LIBRARIES <target>...]
#                   [DEFINITIONS <definition>...] [DEPENDS <target>...])
# A GoogleTest program whose tests CTest runs one by one; nothing when the
# tests are not built.
function(orvello_add_gtest name)
  if(NOT ORVELLO_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBRARIES;DEFINITIONS;DEPENDS")
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} GTest::gtest_main Orvello::warnings)
  if(arg_DEFINITIONS)
    target_compile_definitions(${name} PRIVATE ${arg_DEFINITIONS})
  endif()
  if(arg_DEPENDS)
    add_dependencies(${name} ${arg_DEPENDS})
  endif()
  gtest_discover_tests(${name})
endfunction()
