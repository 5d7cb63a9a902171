# The portable core's layers, each a library compiled against an include root
# of its own that holds only what it may see: its own files and, through the
# libraries it links, the roots of the layers below. An include of anything
# above a layer then fails to build. Consumers above the core (the shells,
# the simulator, the tests) see the whole source tree instead.
#
# quil_include_root(<target> [DIRS folder...] [FILES path...])
#   Makes <target>'s root: a link to each whole folder in DIRS, and to each
#   single file in FILES (paths from the source root), and adds it to the
#   target's public include path.
function(quil_include_root target)
  cmake_parse_arguments(ARG "" "" "DIRS;FILES" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/include_roots/${target})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  foreach(dir IN LISTS ARG_DIRS)
    get_filename_component(parent ${root}/${dir} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${dir} ${root}/${dir} SYMBOLIC)
  endforeach()
  foreach(path IN LISTS ARG_FILES)
    get_filename_component(parent ${root}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${path} ${root}/${path} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
