# GoogleTest for the MinGW build, compiled from Debian's googletest source
# package; find_package(GTest) of the test folders is redirected to it.
include(FetchContent)
set(QUIL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
FetchContent_Declare(GTest SOURCE_DIR ${QUIL_GOOGLETEST_SOURCE} OVERRIDE_FIND_PACKAGE)

# Third-party code is not held to our warning flags.
get_directory_property(quil_saved_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
FetchContent_MakeAvailable(GTest)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${quil_saved_options}")
