# A stand-in dialogs library that exports none of the four dialog functions,
# under the real file name, in its own common-files folder:
#   <build>/dialog-fixtures/no-exports/Orbanet/libobDialogs.so
add_library(obDialogsWithoutExports SHARED ${CMAKE_CURRENT_LIST_DIR}/fixtures/obDialogsWithoutExports.c)
set_target_properties(obDialogsWithoutExports PROPERTIES
  OUTPUT_NAME obDialogs
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/dialog-fixtures/no-exports/Orbanet)

# The tests load the real library and the stand-in at run time.
add_dependencies(test_programs obDialogs obDialogsWithoutExports)
