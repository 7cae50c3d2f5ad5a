# Runs the include checker on a fixture tree and holds its report against the
# lines the fixture expects: the checker must fail, listing exactly those lines,
# no fewer and no more.
#
#   cmake -DCHECKER=<check_includes.cmake> -DFIXTURE=<tree> -DEXPECTED=<file>
#         [-DCHECK=...] [-DWIDGETS_INCLUDE_DIR=...] [-DNO_WIDGETS_FOLDERS=...]
#         -P expect_report.cmake
cmake_minimum_required(VERSION 3.25)

set(args -DSOURCE_DIR=${FIXTURE})
foreach(var CHECK WIDGETS_INCLUDE_DIR NO_WIDGETS_FOLDERS)
  if(DEFINED ${var})
    list(APPEND args "-D${var}=${${var}}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} ${args} -P ${CHECKER}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")

# Report lines start with the offending path (or folder) and a colon.
string(REPLACE ";" "<semicolon>" output "${output}")
string(REPLACE "\n" ";" output "${output}")
list(FILTER output INCLUDE REGEX "^(src|drivers)/[^ ]*: ")
file(STRINGS ${EXPECTED} expected REGEX ".")

set(missing ${expected})
list(REMOVE_ITEM missing ${output})
set(unexpected ${output})
list(REMOVE_ITEM unexpected ${expected})
set(wrong FALSE)
foreach(line IN LISTS missing)
  message(NOTICE "not reported: ${line}")
  set(wrong TRUE)
endforeach()
foreach(line IN LISTS unexpected)
  message(NOTICE "reported but not expected: ${line}")
  set(wrong TRUE)
endforeach()
if(result EQUAL 0)
  message(NOTICE "the checker passed a tree it should fail")
  set(wrong TRUE)
endif()
if(wrong)
  message(FATAL_ERROR "The checker's report on ${FIXTURE} differs from ${EXPECTED}")
endif()
