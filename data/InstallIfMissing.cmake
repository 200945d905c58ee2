# Copies SOURCE to TARGET only when TARGET does not exist yet.
if(NOT EXISTS "${TARGET}")
  get_filename_component(dir "${TARGET}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
