# cmake -DSRC=<file> -DDST=<file> -P CopyIfMissing.cmake
# Copies SRC to DST only when DST does not exist: the program folder's settings
# file holds the user's choices and a rebuild must not reset them.
if(NOT EXISTS "${DST}")
  get_filename_component(dst_dir "${DST}" DIRECTORY)
  file(MAKE_DIRECTORY "${dst_dir}")
  file(COPY_FILE "${SRC}" "${DST}")
endif()
