# The launcher tests let a fake child answer through the PostReply tool.
add_dependencies(test_programs PostReply)

# The libcurl loader's test puts this stand-in first on a child's library
# path: a "libcurl.so.4" lacking curl's entry points.
add_library(fake_libcurl SHARED ${CMAKE_SOURCE_DIR}/tests/fakes/curl/FakeLibcurl.c)
set_target_properties(fake_libcurl PROPERTIES
  OUTPUT_NAME curl
  SOVERSION 4
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-libraries/curl-lacking-entry-points)
add_dependencies(test_programs fake_libcurl)
