# One CTest entry per GoogleTest suite of a test program (named after the suite), found from the
# built program when ctest starts, as gtest_discover_tests does in PRE_TEST mode. A process per
# suite rather than per case: the quick suites spend more time starting a sanitizer build and
# loading fonts and codecs than running their cases. One case alone:
#   build-test/tests/test_cdg --gtest_filter=LineFit.BreaksKeepTheMarkupAndAWordTooWideStaysWhole
#
# tessavox_add_suite_tests(<target> [WORKING_DIRECTORY <dir>] [ENVIRONMENT <var=value>...]
#                          [EXCLUDE <suite>...])

# ctest reads this file with no policies of the project's (IN_LIST below).
cmake_policy(PUSH)
cmake_policy(SET CMP0057 NEW)

function(tessavox_add_suite_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 _arg "" "WORKING_DIRECTORY" "ENVIRONMENT;EXCLUDE")
  set(base "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites")
  # The list is made again when the program or this registration is newer than it.
  file(GENERATE OUTPUT "${base}_include.cmake" CONTENT
"set(_program [==[$<TARGET_FILE:${target}>]==])
if(EXISTS \"\${_program}\")
  if(NOT EXISTS [==[${base}.cmake]==] OR
     NOT [==[${base}.cmake]==] IS_NEWER_THAN \"\${_program}\" OR
     NOT [==[${base}.cmake]==] IS_NEWER_THAN \"\${CMAKE_CURRENT_LIST_FILE}\")
    include([==[${CMAKE_CURRENT_FUNCTION_LIST_FILE}]==])
    tessavox_write_suite_tests(\"\${_program}\" [==[${base}.cmake]==] [==[${_arg_WORKING_DIRECTORY}]==]
                               [==[${_arg_ENVIRONMENT}]==] [==[${_arg_EXCLUDE}]==])
  endif()
  include([==[${base}.cmake]==])
else()
  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)
endif()
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${base}_include.cmake")
endfunction()

# Run by ctest: writes the add_test calls for the suites the program lists.
function(tessavox_write_suite_tests program output directory environment exclude)
  execute_process(COMMAND "${program}" --gtest_list_tests
                  WORKING_DIRECTORY "${directory}"
                  TIMEOUT 60
                  OUTPUT_VARIABLE listing
                  ERROR_VARIABLE errors
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${program} --gtest_list_tests failed (${status}):\n${listing}${errors}")
  endif()
  string(REPLACE "\n" ";" lines "${listing}")
  set(script "")
  foreach(line IN LISTS lines)
    # A suite's line is its name and a dot; its cases follow, indented.
    if(line MATCHES "^([A-Za-z_][A-Za-z0-9_/]*)\\.( |$)" AND NOT CMAKE_MATCH_1 IN_LIST exclude)
      set(suite "${CMAKE_MATCH_1}")
      string(APPEND script
        "add_test([==[${suite}]==] [==[${program}]==] [==[--gtest_filter=${suite}.*]==])\n"
        "set_tests_properties([==[${suite}]==] PROPERTIES WORKING_DIRECTORY [==[${directory}]==]"
        " ENVIRONMENT [==[${environment}]==])\n")
    endif()
  endforeach()
  file(WRITE "${output}" "${script}")
endfunction()

cmake_policy(POP)
