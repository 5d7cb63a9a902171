cmake_minimum_required(VERSION 3.25)
# Reads every #include "..." of the portable folders and fails on one that
# points above its own layer. The build already refuses most of them (each
# core layer compiles against its own include root, cmake/layers.cmake);
# this also catches a header that no source of its own layer includes, and
# the portable folders above the core.
#   cmake -DSOURCE_DIR=<root> -P cmake/check_layers.cmake

# A file's layer: the first rule whose prefix its path starts with.
set(rules
  "tracker/tracker_state=vocabulary"
  "tracker/desktop.h=vocabulary"
  "tracker/hands_free_state.h=vocabulary"
  "tracker/frame_report.h=vocabulary"
  "tracker/frame_input.h=vocabulary"
  "tracker/precise/precise_state=vocabulary"
  "tracker/imaging_steps=imaging_steps"
  "tracker/=tracker"
  "imaging/=imaging"
  "landmarks/=landmarks"
  "pointer/=pointer"
  "keyboard_link/=keyboard_link"
  "options/window/=win32"
  "options/=options"
  "onscreen_keyboard/win/=win32"
  "onscreen_keyboard/=keyboard_program"
  "app_layer/=app_layer"
  "pointing_test/=pointing_test"
  "shell/=win32"
  "capture/=win32"
  "eyes_window/=win32"
  "camera_tool/=win32"
  "win32_common/=win32"
  "linux/=linux"
  "sim/=sim"
)
# What each layer may include besides itself.
set(allowed_imaging "")
set(allowed_landmarks "")
set(allowed_pointing_test "")
set(allowed_vocabulary imaging landmarks)
set(allowed_imaging_steps vocabulary imaging landmarks)
set(allowed_pointer imaging_steps vocabulary imaging landmarks)
set(allowed_keyboard_link pointer imaging_steps vocabulary imaging landmarks)
set(allowed_options keyboard_link pointer imaging_steps vocabulary imaging landmarks)
set(allowed_tracker options keyboard_link pointer imaging_steps vocabulary imaging landmarks)
set(allowed_keyboard_program keyboard_link vocabulary)
set(allowed_app_layer tracker options keyboard_link pointer imaging_steps vocabulary imaging
    landmarks pointing_test)
set(checked imaging landmarks vocabulary imaging_steps pointer keyboard_link options tracker
    keyboard_program app_layer pointing_test)

function(layer_of path out)
  foreach(rule IN LISTS rules)
    string(REPLACE "=" ";" pair "${rule}")
    list(GET pair 0 prefix)
    list(GET pair 1 layer)
    string(FIND "${path}" "${prefix}" at)
    if(at EQUAL 0)
      set(${out} ${layer} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} "" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/imaging/*.h ${SOURCE_DIR}/imaging/*.cpp
  ${SOURCE_DIR}/landmarks/*.h ${SOURCE_DIR}/landmarks/*.cpp
  ${SOURCE_DIR}/tracker/*.h ${SOURCE_DIR}/tracker/*.cpp
  ${SOURCE_DIR}/pointer/*.h ${SOURCE_DIR}/pointer/*.cpp
  ${SOURCE_DIR}/keyboard_link/*.h ${SOURCE_DIR}/keyboard_link/*.cpp
  ${SOURCE_DIR}/options/*.h ${SOURCE_DIR}/options/*.cpp
  ${SOURCE_DIR}/onscreen_keyboard/*.h ${SOURCE_DIR}/onscreen_keyboard/*.cpp
  ${SOURCE_DIR}/app_layer/*.h ${SOURCE_DIR}/app_layer/*.cpp)
set(faults 0)
foreach(source IN LISTS sources)
  layer_of(${source} layer)
  if(NOT layer IN_LIST checked)
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" target "${line}")
    layer_of(${target} target_layer)
    if(target_layer STREQUAL "" OR target_layer STREQUAL layer
       OR target_layer IN_LIST allowed_${layer})
      continue()
    endif()
    message(SEND_ERROR "${source} (${layer}) includes ${target} (${target_layer})")
    math(EXPR faults "${faults} + 1")
  endforeach()
endforeach()
list(LENGTH sources count)
message(STATUS "${count} files of the portable layers read, ${faults} includes against the layering")
