# The 68-point face landmark model, an optional second model of the precise
# engine (Debian's libdlib-data installs it). Without the file the build and
# the programs work as before: the engine reads the face from the 5-point
# model alone.
set(QUIL_FULL_LANDMARK_MODEL /usr/share/dlib/shape_predictor_68_face_landmarks.dat
    CACHE FILEPATH "The 68-point face landmark model (optional)")
if(EXISTS ${QUIL_FULL_LANDMARK_MODEL})
  set(QUIL_HAVE_FULL_LANDMARK_MODEL ON)
else()
  set(QUIL_HAVE_FULL_LANDMARK_MODEL OFF)
  message(STATUS "No 68-point landmark model at ${QUIL_FULL_LANDMARK_MODEL}: "
                 "the programs ship without it")
endif()

# quil_full_landmark_model_beside(<program target>): the model copied beside
# the program's .exe, where it looks for it, on every build (as the 5-point
# one); nothing when the build has no such file.
function(quil_full_landmark_model_beside target)
  if(NOT QUIL_HAVE_FULL_LANDMARK_MODEL)
    return()
  endif()
  add_custom_target(${target}_full_landmark_model
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QUIL_FULL_LANDMARK_MODEL}
            $<TARGET_FILE_DIR:${target}>/shape_predictor_68_face_landmarks.dat
    VERBATIM)
  add_dependencies(${target} ${target}_full_landmark_model)
endfunction()
