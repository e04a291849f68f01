# merrowby_add_test(<name> SOURCES ... LIBS ... [GUI] [TIMEOUT s])
# One GoogleTest executable; its cases are registered with ctest one by one. A case that
# skips itself is counted as skipped, not passed.
function(merrowby_add_test name)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  set(env "")
  if(T_GUI)
    # GUI tests get a main() that owns the QApplication and the feedback recorder header.
    target_link_libraries(${name} PRIVATE ${T_LIBS} merrowby_test_support GTest::gtest Threads::Threads)
    set(env "QT_QPA_PLATFORM=offscreen")
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}" SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endfunction()
include(GoogleTest)

# merrowby_library(<name> [LIBS ...]): a static library of every .cpp in the current folder
# (and the given subfolders); header-only while a folder has no sources yet.
function(merrowby_library name)
  cmake_parse_arguments(L "" "" "LIBS;SUBDIRS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  foreach(sub ${L_SUBDIRS})
    file(GLOB more CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp)
    list(APPEND sources ${more})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${L_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${L_LIBS})
  endif()
endfunction()

# merrowby_install_gzipped(<file> <destination>): installs <file> (in the build folder)
# compressed the way Debian wants it, gzip -9 without name or time stamp.
function(merrowby_install_gzipped file destination)
  get_filename_component(name ${file} NAME)
  string(MAKE_C_IDENTIFIER "gzip_${name}" target)
  add_custom_command(OUTPUT ${file}.gz
    COMMAND gzip -9nkf ${file}
    DEPENDS ${file} VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${file}.gz)
  install(FILES ${file}.gz DESTINATION ${destination})
endfunction()
