# Helpers shared by the project's CMake files.

# tarvik_library(NAME SOURCES... [DEPS ...])
#   A static library of the project. Its headers are included by their path
#   under src/ ("labels/label_pages.h"), but it exposes only its own folder:
#   an include root in the build holds a link to that folder alone, so a file
#   can include only what the libraries it links expose, and an upward
#   include does not compile.
function(tarvik_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${CMAKE_BINARY_DIR}/include/${name})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# tarvik_test(NAME SOURCES... [APP none|core|gui|widgets|station] [LIBS ...] [ENV ...]
#             [LABELS ...] [TIMEOUT seconds] [PROPERTIES ...])
#   A GoogleTest executable whose cases are listed to ctest one by one. Its main() is
#   tests/support/test_main.cpp, which makes the application object APP names (none by default)
#   and keeps it while the tests run. Every test runs offscreen, against no CUPS server of the
#   machine.
include(GoogleTest)
find_package(GTest REQUIRED)

# What each APP makes: the class, its header, the library it needs.
set(TARVIK_TEST_APP_core QCoreApplication QCoreApplication Qt6::Core)
set(TARVIK_TEST_APP_gui QGuiApplication QGuiApplication Qt6::Gui)
set(TARVIK_TEST_APP_widgets QApplication QApplication Qt6::Widgets)
# The station's own: its notify() shows what escapes an event handler.
set(TARVIK_TEST_APP_station tarvik::station::StationApplication station/application.h tarvik_station)

function(tarvik_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT;APP" "SOURCES;LIBS;ENV;LABELS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES}
    ${PROJECT_SOURCE_DIR}/tests/support/test_main.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/test_environment.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock Qt6::Test)
  if(ARG_APP AND NOT ARG_APP STREQUAL "none")
    if(NOT DEFINED TARVIK_TEST_APP_${ARG_APP})
      message(FATAL_ERROR "tarvik_test(${name}): APP is none, core, gui, widgets or station, not '${ARG_APP}'")
    endif()
    list(GET TARVIK_TEST_APP_${ARG_APP} 0 app_class)
    list(GET TARVIK_TEST_APP_${ARG_APP} 1 app_header)
    list(GET TARVIK_TEST_APP_${ARG_APP} 2 app_library)
    target_compile_definitions(${name} PRIVATE TARVIK_TEST_APP=${app_class} TARVIK_TEST_APP_HEADER="${app_header}")
    target_link_libraries(${name} PRIVATE ${app_library})
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # The environment travels inside the executable: ctest properties lose list
  # values on their way through test discovery.
  set(env
    QT_QPA_PLATFORM=offscreen
    CUPS_SERVER=${CMAKE_BINARY_DIR}/no-cups.sock
    LC_ALL=C.UTF-8
    # The embedded engine's lock and temporary files belong to this build, not
    # to /tmp/firebird, where other processes' stale files may lie.
    FIREBIRD_LOCK=${CMAKE_BINARY_DIR}/fb-lock
    FIREBIRD_TMP=${CMAKE_BINARY_DIR}/fb-tmp
    ${ARG_ENV})
  list(JOIN env "|" env_text)
  target_compile_definitions(${name} PRIVATE
    TARVIK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TARVIK_BINARY_DIR="${CMAKE_BINARY_DIR}"
    TARVIK_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    TARVIK_TEST_ENV="${env_text}")
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(props TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LABELS)
    list(APPEND props LABELS ${ARG_LABELS})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    NO_PRETTY_VALUES
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${props} ${ARG_PROPERTIES})
endfunction()
