# Run by the `format` target: rewrites every C++ source of the project in the style of
# .clang-format. Files are globbed here, at build time, so new ones need no reconfigure.
#   cmake -DCLANG_FORMAT=<program> -DSOURCE_DIR=<repository> -P ClangFormat.cmake

set(files)
foreach(dir src drivers tests bench fuzz)
  file(GLOB_RECURSE found ${SOURCE_DIR}/${dir}/*.cpp ${SOURCE_DIR}/${dir}/*.h)
  list(APPEND files ${found})
endforeach()
list(SORT files)
execute_process(COMMAND ${CLANG_FORMAT} -i --style=file ${files}
                WORKING_DIRECTORY ${SOURCE_DIR}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "clang-format failed (${result})")
endif()
