# Shared helpers for the project's targets.
#
# kestrune_library(<name> <folder> [DEPS ...] [PRIVATE_DEPS ...])
#   one static library made of every .cpp in <folder> (not its subfolders);
#   DEPS are what its headers need (public), PRIVATE_DEPS what only its
#   sources use (still linked into every program that uses the library)
function(kestrune_library name folder)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    if(ARG_PRIVATE_DEPS)
      target_link_libraries(${name} PRIVATE ${ARG_PRIVATE_DEPS})
    endif()
  else()
    # A layer with no sources yet is an interface over its dependencies.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} ${ARG_PRIVATE_DEPS})
  endif()
endfunction()

# kestrune_tests(<folder> [XVFB] LIBS ...)
#   tests/<folder>/*_test.cpp       -> <name>_tests            (no label)
#   tests/<folder>/*_tsan_test.cpp  -> <name>_tsan_tests       (label tsan)
#   tests/<folder>/*_gui_test.cpp   -> <name>_gui_tests        (label gui, offscreen)
# <name> is the folder with "/" as "_" (map/view: map_view_gui_tests). The
# end-to-end tests (*_e2e_gui_test.cpp) are left to a target of their own.
# Shared test helpers live in tests/support and are linked into every test binary.
function(kestrune_tests folder)
  cmake_parse_arguments(ARG "XVFB" "" "LIBS" ${ARGN})
  set(dir ${CMAKE_SOURCE_DIR}/tests/${folder})
  string(REPLACE "/" "_" folder ${folder})
  file(GLOB all CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  file(GLOB tsan CONFIGURE_DEPENDS ${dir}/*_tsan_test.cpp)
  file(GLOB gui CONFIGURE_DEPENDS ${dir}/*_gui_test.cpp)
  file(GLOB e2e CONFIGURE_DEPENDS ${dir}/*_e2e_gui_test.cpp)
  if(e2e)
    list(REMOVE_ITEM gui ${e2e})
    list(REMOVE_ITEM all ${e2e})
  endif()
  set(plain ${all})
  if(tsan)
    list(REMOVE_ITEM plain ${tsan})
  endif()
  if(gui)
    list(REMOVE_ITEM plain ${gui})
  endif()
  if(plain)
    add_executable(${folder}_tests ${plain})
    target_link_libraries(${folder}_tests PRIVATE ${ARG_LIBS} test_support GTest::gtest_main)
    gtest_discover_tests(${folder}_tests DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "KESTRUNE_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  endif()
  if(tsan)
    add_executable(${folder}_tsan_tests ${tsan})
    target_link_libraries(${folder}_tsan_tests PRIVATE ${ARG_LIBS} test_support GTest::gtest_main)
    gtest_discover_tests(${folder}_tsan_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS tsan)
  endif()
  if(gui AND NOT KESTRUNE_MODEL_ONLY AND NOT KESTRUNE_SANITIZE)
    add_executable(${folder}_gui_tests ${gui})
    target_link_libraries(${folder}_gui_tests PRIVATE ${ARG_LIBS} test_support GTest::gtest)
    if(ARG_XVFB)
      # tests/support/xvfb_run.sh starts each test on a virtual X display.
      set_target_properties(${folder}_gui_tests PROPERTIES
        CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tests/support/xvfb_run.sh)
      gtest_discover_tests(${folder}_gui_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS gui)
    else()
      gtest_discover_tests(${folder}_gui_tests DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS gui ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
  endif()
endfunction()

# kestrune_bench(<name> LIBS ...): bench/<name>_bench.cpp
function(kestrune_bench name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name}_bench ${CMAKE_SOURCE_DIR}/bench/${name}_bench.cpp)
  target_link_libraries(${name}_bench PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()

# The program folder: KESTRUNE_PROGRAM_DIR (build/kestrune/), laid out complete
# by the target kestrune_program, which "all" builds. The program finds
# everything beside its executable:
#   kestrune, ravelst         the executables, built straight into the folder
#   dictionaries/             the built dictionaries (tools/CMakeLists.txt)
#   Language/, templates/en/  data/ of the source tree, copied whole
#   controls/en/              the skinned controls' pictures (tools/control_images)
#   update/, Converters/      empty folders
# Tests, benchmarks and the sanitizer builds read the data from there too.
# To add to it, from any CMakeLists.txt:
#   kestrune_program_executable(<target>)
#       builds the executable into the folder
#   kestrune_program_folder(<name> [FROM <source folder>])
#       makes the sub-folder <name> (may be nested, "templates/web"), copying
#       the contents of FROM into it at every build when given; files made by
#       a target of yours: add_dependencies(kestrune_program <target>) and
#       write them into ${KESTRUNE_PROGRAM_DIR}
# Files that belong in data/ need neither: data/ is copied whole.
set(KESTRUNE_PROGRAM_DIR ${CMAKE_BINARY_DIR}/kestrune)
add_custom_target(kestrune_program ALL COMMENT "The program folder ${KESTRUNE_PROGRAM_DIR}")

function(kestrune_program_executable target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KESTRUNE_PROGRAM_DIR})
  add_dependencies(kestrune_program ${target})
endfunction()

function(kestrune_program_folder name)
  cmake_parse_arguments(ARG "" "FROM" "" ${ARGN})
  string(MAKE_C_IDENTIFIER "kestrune_program_${name}" target)
  set(commands COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTRUNE_PROGRAM_DIR}/${name})
  if(ARG_FROM)
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${ARG_FROM} ${KESTRUNE_PROGRAM_DIR}/${name})
  endif()
  add_custom_target(${target} ${commands} VERBATIM)
  add_dependencies(kestrune_program ${target})
endfunction()
