# A unit folder is a static library of every source and form in it and in
# its subfolders. New files are picked up on the next build without touching
# this file.
function(tessal_unit_library name dir)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS
       ${dir}/*.cpp ${dir}/*.h ${dir}/*.ui ${dir}/*.qrc)
  list(FILTER _sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${name} STATIC ${_sources})
  target_include_directories(${name} PUBLIC ${dir})
  set_target_properties(${name} PROPERTIES AUTOUIC_SEARCH_PATHS ${dir})
endfunction()

# A unit grouped in folders by concern: each folder's headers are included by
# their own name, so every subfolder is on the include path.
function(tessal_unit_folders name dir)
  file(GLOB_RECURSE _groups LIST_DIRECTORIES true ${dir}/*)
  foreach(_group ${_groups})
    if(IS_DIRECTORY ${_group})
      target_include_directories(${name} PUBLIC ${_group})
    endif()
  endforeach()
endfunction()

# A test program whose cases need longer than the usual 120 s limit per case
# (those that start LibreOffice): tessal_test_timeout(<name>_test <seconds>),
# before the program is added.
function(tessal_test_timeout name seconds)
  set_property(GLOBAL PROPERTY TESSAL_TEST_TIMEOUT_${name} ${seconds})
endfunction()

# Each tests/<area>/.../<name>_test.cpp is one test program, named
# <area>_<name>_test; each of its cases is one CTest test, so `ctest -j`
# spreads them over the cores. A test sees the headers of its own folder and
# of every folder above it up to its area, where fixtures shared by several
# window families lie.
function(tessal_add_test source)
  get_filename_component(_name ${source} NAME_WE)
  get_filename_component(_dir ${source} DIRECTORY)
  file(RELATIVE_PATH _relative ${CMAKE_CURRENT_SOURCE_DIR} ${_dir})
  string(REGEX REPLACE "/.*$" "" _area ${_relative})
  set(_target ${_area}_${_name})
  add_executable(${_target} ${source})
  target_link_libraries(${_target} PRIVATE tessal_test_support)
  set(_folder ${_dir})
  while(NOT _folder STREQUAL CMAKE_CURRENT_SOURCE_DIR)
    target_include_directories(${_target} PRIVATE ${_folder})
    get_filename_component(_folder ${_folder} DIRECTORY)
  endwhile()
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
