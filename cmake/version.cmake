# The release's version, kept once in project(): a header for the programs'
# own texts, and a version resource for each Windows program, so that the
# file's properties, the About box and the installer's name agree.
set(QUIL_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quil_version.h.in ${QUIL_GENERATED_DIR}/quil_version.h @ONLY)

if(WIN32)
  enable_language(RC)
endif()

add_library(quil_version INTERFACE)
target_include_directories(quil_version INTERFACE ${QUIL_GENERATED_DIR})

# quil_version_resource(<target> <file name without .exe> <description>):
# the VERSIONINFO resource, compiled into the program.
function(quil_version_resource target file_name description)
  set(QUIL_RC_FILE_NAME ${file_name})
  set(QUIL_RC_DESCRIPTION ${description})
  set(rc ${QUIL_GENERATED_DIR}/version_${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
