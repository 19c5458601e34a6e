# A unit folder is a static library of every source and form in it.
# New files are picked up on the next build without touching this file.
function(tessal_unit_library name dir)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS
       ${dir}/*.cpp ${dir}/*.h ${dir}/*.ui ${dir}/*.qrc)
  list(FILTER _sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${name} STATIC ${_sources})
  target_include_directories(${name} PUBLIC ${dir})
  set_target_properties(${name} PROPERTIES AUTOUIC_SEARCH_PATHS ${dir})
endfunction()

# A test program whose cases need longer than the usual 120 s limit per case
# (those that start LibreOffice): tessal_test_timeout(<name>_test <seconds>),
# before the program is added.
function(tessal_test_timeout name seconds)
  set_property(GLOBAL PROPERTY TESSAL_TEST_TIMEOUT_${name} ${seconds})
endfunction()

# Each tests/<area>/<name>_test.cpp is one test program; each of its cases
# is one CTest test, so `ctest -j` spreads them over the cores.
function(tessal_add_test source)
  get_filename_component(_name ${source} NAME_WE)
  get_filename_component(_dir ${source} DIRECTORY)
  get_filename_component(_area ${_dir} NAME)
  set(_target ${_area}_${_name})
  add_executable(${_target} ${source})
  target_link_libraries(${_target} PRIVATE tessal_test_support)
  target_include_directories(${_target} PRIVATE ${_dir})
  # The environment goes in as the test's launcher: a list given through
  # PROPERTIES loses all but its first item on its way through discovery.
  set_property(TARGET ${_target} PROPERTY CROSSCOMPILING_EMULATOR
    ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen TESSAL_BIN=${CMAKE_BINARY_DIR}/bin
    TESSAL_SOURCE=${CMAKE_SOURCE_DIR})
  get_property(_timeout GLOBAL PROPERTY TESSAL_TEST_TIMEOUT_${_name})
  if(NOT _timeout)
    set(_timeout 120)
  endif()
  gtest_discover_tests(${_target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${_timeout})
endfunction()
