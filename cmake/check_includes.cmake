# Checks how the sources include one another:
#   include_order  a folder includes project headers only from itself and from
#                  the layers below it;
#   no_widgets     the folders in NO_WIDGETS_FOLDERS include no Qt Widgets header.
#
#   cmake -DSOURCE_DIR=<top of the tree> [-DCHECK=include_order|no_widgets]
#         [-DWIDGETS_INCLUDE_DIR=<Qt's QtWidgets header folder>]
#         [-DNO_WIDGETS_FOLDERS=src/labels,src/data] -P check_includes.cmake
#
# Lists take commas as well as semicolons, which are easier to pass through
# add_test. Without CHECK both checks run. Every offending include is listed as
# file:line, and the script then ends with an error. Only src/ and drivers/ are
# looked at; tests, bench and fuzz may reach into any layer.
cmake_minimum_required(VERSION 3.25)

# Layers under src/, lowest first. A folder may include from its own folder and
# from lower rows only, so folders in one row stay apart. drivers/ holds the
# scale driver plugins, which stand on the platform alone.
set(LAYERS
  "platform"
  "barcode data drivers"
  "labels"
  "model"
  "dialogs reports"
  "station")

# Platform sub-layers and the sub-layers each one links to: the DEPS of
# src/platform/<sub-layer>/CMakeLists.txt, copied here so that a new link is a
# decision seen in review (the check fails until this table agrees). The links
# are PUBLIC, so a sub-layer may also include what its dependencies link to.
set(PLATFORM_DEPS
  "text:"
  "ini: text"
  "com: text"
  "richtext: text"
  "ui: text"
  "printing: richtext text"
  "preview: printing ui"
  "grid: text ui printing")

# Folders that must do without Qt Widgets, relative to SOURCE_DIR.
if(NOT DEFINED NO_WIDGETS_FOLDERS)
  set(NO_WIDGETS_FOLDERS src/labels)
endif()

set(SOURCE_SUFFIXES "\\.(h|hh|hpp|hxx|c|cc|cpp|cxx|inl|ipp)$")
set(INCLUDE_LINE "^[ \t]*#[ \t]*include[ \t]*([<\"])([^\">]+)[\">]")

if(NOT SOURCE_DIR OR NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "SOURCE_DIR must name the top of the source tree (got \"${SOURCE_DIR}\")")
endif()
cmake_path(ABSOLUTE_PATH SOURCE_DIR NORMALIZE)
string(REGEX REPLACE "/$" "" SOURCE_DIR "${SOURCE_DIR}")
if(NOT DEFINED CHECK)
  set(CHECK include_order no_widgets)
endif()
string(REPLACE "," ";" CHECK "${CHECK}")
string(REPLACE "," ";" NO_WIDGETS_FOLDERS "${NO_WIDGETS_FOLDERS}")
foreach(check IN LISTS CHECK)
  if(NOT check MATCHES "^(include_order|no_widgets)$")
    message(FATAL_ERROR "CHECK may hold include_order and no_widgets, not \"${check}\"")
  endif()
endforeach()

# --- Tables ----------------------------------------------------------------

set(rank 0)
set(layer_names "")
foreach(row IN LISTS LAYERS)
  string(REPLACE " " ";" names "${row}")
  foreach(name IN LISTS names)
    set(rank_of_${name} ${rank})
    list(APPEND layer_names ${name})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

set(platform_subs "")
foreach(entry IN LISTS PLATFORM_DEPS)
  string(REGEX MATCH "^([a-z_]+):(.*)$" _ "${entry}")
  set(sub "${CMAKE_MATCH_1}")
  string(STRIP "${CMAKE_MATCH_2}" deps)
  string(REGEX REPLACE "[ \t]+" ";" deps "${deps}")
  list(APPEND platform_subs ${sub})
  set(platform_deps_of_${sub} ${deps})
  set(platform_reach_of_${sub} ${deps})
endforeach()
# What each sub-layer reaches through its links, repeated until nothing grows.
set(grown TRUE)
while(grown)
  set(grown FALSE)
  foreach(sub IN LISTS platform_subs)
    set(reach ${platform_reach_of_${sub}})
    foreach(dep IN LISTS platform_reach_of_${sub})
      list(APPEND reach ${platform_reach_of_${dep}})
    endforeach()
    list(REMOVE_DUPLICATES reach)
    list(LENGTH reach after)
    list(LENGTH platform_reach_of_${sub} before)
    if(after GREATER before)
      set(platform_reach_of_${sub} ${reach})
      set(grown TRUE)
    endif()
  endforeach()
endwhile()

# --- Helpers ---------------------------------------------------------------

set(findings 0)
function(report text)
  message(NOTICE "${text}")
  math(EXPR n "${findings} + 1")
  set(findings ${n} PARENT_SCOPE)
endfunction()

# The lines of a file as a list, with the characters that CMake lists treat
# specially hidden, so that element N is line N.
function(read_lines path out)
  file(READ "${path}" text)
  string(REPLACE "\\" "<backslash>" text "${text}")
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REPLACE "[" "<lbracket>" text "${text}")
  string(REPLACE "]" "<rbracket>" text "${text}")
  string(REPLACE "\r" "" text "${text}")
  string(REPLACE "\n" ";" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The folder a path (relative to SOURCE_DIR) belongs to, and that folder's layer:
# src/platform/ui/x.h -> platform/ui, platform; src/labels/x.h -> labels, labels;
# drivers/kaloscale/src/x.h -> drivers/kaloscale, drivers. Anything else gets
# its first path element as folder and no layer.
function(folder_of path out_folder out_layer)
  if(path MATCHES "^src/platform/([^/]+)/")
    set(folder "platform/${CMAKE_MATCH_1}")
    set(layer platform)
  elseif(path MATCHES "^src/([^/]+)/")
    set(folder "${CMAKE_MATCH_1}")
    set(layer "${CMAKE_MATCH_1}")
  elseif(path MATCHES "^drivers/([^/]+)/")
    set(folder "drivers/${CMAKE_MATCH_1}")
    set(layer drivers)
  elseif(path MATCHES "^([^/]+)/")
    set(folder "${CMAKE_MATCH_1}")
    set(layer "")
  else()
    set(folder "${path}")
    set(layer "")
  endif()
  set(${out_folder} "${folder}" PARENT_SCOPE)
  set(${out_layer} "${layer}" PARENT_SCOPE)
endfunction()

file(GLOB driver_include_dirs LIST_DIRECTORIES true "${SOURCE_DIR}/drivers/*/include")

# The file (relative to SOURCE_DIR) a quoted include in `file` names, looked up
# as the compiler does: next to the including file, then on the include paths
# (src/, the drivers' include/ folders, and for a driver its own src/ and top).
# A header not found is placed by its first path element when that names a
# layer, so a missing header still counts; otherwise the result is empty.
function(resolve_include file name out)
  get_filename_component(dir "${file}" DIRECTORY)
  set(candidates "${SOURCE_DIR}/${dir}/${name}")
  if(file MATCHES "^drivers/([^/]+)/")
    set(driver "${SOURCE_DIR}/drivers/${CMAKE_MATCH_1}")
    list(APPEND candidates "${driver}/src/${name}" "${driver}/include/${name}" "${driver}/${name}")
  endif()
  list(APPEND candidates "${SOURCE_DIR}/src/${name}")
  foreach(include_dir IN LISTS driver_include_dirs)
    list(APPEND candidates "${include_dir}/${name}")
  endforeach()
  foreach(candidate IN LISTS candidates)
    if(EXISTS "${candidate}" AND NOT IS_DIRECTORY "${candidate}")
      cmake_path(NORMAL_PATH candidate)
      file(RELATIVE_PATH found "${SOURCE_DIR}" "${candidate}")
      set(${out} "${found}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(found "")
  if(name MATCHES "^\\.\\.?/")
    set(found "${dir}/${name}")
    cmake_path(NORMAL_PATH found)
  elseif(name MATCHES "^([^/]+)/")
    list(FIND layer_names "${CMAKE_MATCH_1}" index)
    if(index GREATER_EQUAL 0 AND NOT CMAKE_MATCH_1 STREQUAL "drivers")
      set(found "src/${name}")
    endif()
  endif()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# Whether `folder` (of `layer`) may include from `to_folder` (of `to_layer`).
function(may_include folder layer to_folder to_layer out)
  set(allowed FALSE)
  if(to_folder STREQUAL folder)
    set(allowed TRUE)
  elseif(layer STREQUAL "platform" AND to_layer STREQUAL "platform")
    string(REGEX REPLACE "^platform/" "" sub "${folder}")
    string(REGEX REPLACE "^platform/" "" to_sub "${to_folder}")
    list(FIND platform_reach_of_${sub} "${to_sub}" index)
    if(index GREATER_EQUAL 0)
      set(allowed TRUE)
    endif()
  elseif(DEFINED rank_of_${to_layer} AND rank_of_${to_layer} LESS rank_of_${layer})
    set(allowed TRUE)
  endif()
  set(${out} ${allowed} PARENT_SCOPE)
endfunction()

# --- include_order ---------------------------------------------------------

if("include_order" IN_LIST CHECK)
  set(findings_before ${findings})

  # The table above must say what the platform's CMakeLists.txt files link.
  file(GLOB platform_dirs LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}/src/platform"
       "${SOURCE_DIR}/src/platform/*")
  list(SORT platform_dirs)
  foreach(sub IN LISTS platform_dirs)
    if(NOT IS_DIRECTORY "${SOURCE_DIR}/src/platform/${sub}")
      continue()
    endif()
    if(NOT sub IN_LIST platform_subs)
      report("src/platform/${sub}: platform/${sub} is not in PLATFORM_DEPS of cmake/check_includes.cmake")
      continue()
    endif()
    set(lists_file "src/platform/${sub}/CMakeLists.txt")
    if(NOT EXISTS "${SOURCE_DIR}/${lists_file}")
      continue()
    endif()
    file(READ "${SOURCE_DIR}/${lists_file}" text)
    string(REGEX MATCHALL "tarvik_platform_[a-z_]+" linked "${text}")
    list(TRANSFORM linked REPLACE "^tarvik_platform_" "")
    list(REMOVE_ITEM linked "${sub}")
    list(REMOVE_DUPLICATES linked)
    list(SORT linked)
    set(listed ${platform_deps_of_${sub}})
    list(SORT listed)
    if(NOT "${linked}" STREQUAL "${listed}")
      string(REPLACE ";" " " linked_text "${linked}")
      string(REPLACE ";" " " listed_text "${listed}")
      report("${lists_file}: platform/${sub} links \"${linked_text}\", PLATFORM_DEPS of cmake/check_includes.cmake says \"${listed_text}\"")
    endif()
  endforeach()

  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${SOURCE_DIR}"
       "${SOURCE_DIR}/src/*" "${SOURCE_DIR}/drivers/*")
  list(FILTER files INCLUDE REGEX "${SOURCE_SUFFIXES}")
  list(SORT files)
  list(LENGTH files file_count)
  if(file_count EQUAL 0)
    message(FATAL_ERROR "No sources under ${SOURCE_DIR}/src or ${SOURCE_DIR}/drivers")
  endif()

  set(checked 0)
  set(unknown_folders "")
  foreach(file IN LISTS files)
    folder_of("${file}" folder layer)
    if(NOT DEFINED rank_of_${layer}
       OR (layer STREQUAL "platform" AND NOT folder MATCHES "^platform/"))
      # One line per folder: a new folder must find its place in LAYERS.
      if(NOT folder IN_LIST unknown_folders)
        list(APPEND unknown_folders "${folder}")
        report("${file}: ${folder} is in no layer of LAYERS in cmake/check_includes.cmake")
      endif()
      continue()
    endif()
    read_lines("${SOURCE_DIR}/${file}" lines)
    set(line_number 0)
    foreach(line IN LISTS lines)
      math(EXPR line_number "${line_number} + 1")
      if(NOT line MATCHES "${INCLUDE_LINE}" OR NOT CMAKE_MATCH_1 STREQUAL "\"")
        continue()
      endif()
      set(name "${CMAKE_MATCH_2}")
      # A bare file name is the folder's own header (or one generated for it).
      if(NOT name MATCHES "/")
        continue()
      endif()
      resolve_include("${file}" "${name}" target)
      if(target STREQUAL "")
        continue()
      endif()
      math(EXPR checked "${checked} + 1")
      folder_of("${target}" to_folder to_layer)
      may_include("${folder}" "${layer}" "${to_folder}" "${to_layer}" allowed)
      if(NOT allowed)
        report("${file}:${line_number}: ${folder} may not include \"${name}\" (${to_folder} is not below ${folder})")
      endif()
    endforeach()
  endforeach()

  math(EXPR order_findings "${findings} - ${findings_before}")
  if(order_findings EQUAL 0)
    message(STATUS "include order: ${checked} project includes in ${file_count} files, all down the layers")
  endif()
endif()

# --- no_widgets ------------------------------------------------------------

if("no_widgets" IN_LIST CHECK)
  set(findings_before ${findings})
  if(NOT WIDGETS_INCLUDE_DIR OR NOT EXISTS "${WIDGETS_INCLUDE_DIR}/QWidget")
    message(FATAL_ERROR "WIDGETS_INCLUDE_DIR must name Qt's QtWidgets header folder, the one holding QWidget (got \"${WIDGETS_INCLUDE_DIR}\")")
  endif()
  # Qt Widgets keeps a few forwarding headers for classes that moved to Qt Gui
  # (qaction.h, qshortcut.h, ...); those need no Widgets and are left out.
  file(GLOB widgets_headers LIST_DIRECTORIES false RELATIVE "${WIDGETS_INCLUDE_DIR}"
       "${WIDGETS_INCLUDE_DIR}/*")
  foreach(module QtGui QtCore)
    file(GLOB module_headers LIST_DIRECTORIES false RELATIVE "${WIDGETS_INCLUDE_DIR}/../${module}"
         "${WIDGETS_INCLUDE_DIR}/../${module}/*")
    if(module_headers)
      list(REMOVE_ITEM widgets_headers ${module_headers})
    endif()
  endforeach()
  list(LENGTH widgets_headers widgets_count)

  set(checked_files 0)
  foreach(folder IN LISTS NO_WIDGETS_FOLDERS)
    string(REGEX REPLACE "/$" "" folder "${folder}")
    if(NOT IS_DIRECTORY "${SOURCE_DIR}/${folder}")
      message(FATAL_ERROR "NO_WIDGETS_FOLDERS names ${folder}, which is no folder under ${SOURCE_DIR}")
    endif()
    string(REGEX REPLACE "^src/" "" short "${folder}")
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${folder}/*")
    list(FILTER files INCLUDE REGEX "${SOURCE_SUFFIXES}")
    list(SORT files)
    foreach(file IN LISTS files)
      math(EXPR checked_files "${checked_files} + 1")
      read_lines("${SOURCE_DIR}/${file}" lines)
      set(line_number 0)
      foreach(line IN LISTS lines)
        math(EXPR line_number "${line_number} + 1")
        if(NOT line MATCHES "${INCLUDE_LINE}")
          continue()
        endif()
        set(open "${CMAKE_MATCH_1}")
        set(name "${CMAKE_MATCH_2}")
        if(name STREQUAL "QtWidgets" OR name MATCHES "^QtWidgets/" OR name IN_LIST widgets_headers)
          if(open STREQUAL "<")
            set(shown "<${name}>")
          else()
            set(shown "\"${name}\"")
          endif()
          report("${file}:${line_number}: ${short} may not include ${shown} (a Qt Widgets header)")
        endif()
      endforeach()
    endforeach()
  endforeach()

  math(EXPR widgets_findings "${findings} - ${findings_before}")
  if(widgets_findings EQUAL 0)
    string(REPLACE ";" " " folders_text "${NO_WIDGETS_FOLDERS}")
    message(STATUS "no widgets: ${checked_files} files in ${folders_text} include none of ${widgets_count} Qt Widgets headers")
  endif()
endif()

if(findings GREATER 0)
  message(FATAL_ERROR "${findings} include(s) against the rules above")
endif()
