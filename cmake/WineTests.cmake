# Windows test programs run under Wine, in a prefix of their own inside the
# build folder (never the user's ~/.wine). scripts/wine-test makes the prefix,
# maps COM ports through the registry only and runs the programs; the
# toolchain file names it as the emulator, so add_test(COMMAND <target>) and
# $<TARGET_FILE:...> commands run through it.
#
# All Wine tests share one wineserver, and a test that maps a COM port
# restarts it, so they hold one resource lock and run one after another.

set(VPO_WINE_TEST ${PROJECT_SOURCE_DIR}/scripts/wine-test)
set(VPO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)

add_test(NAME wine_prefix_setup COMMAND ${VPO_WINE_TEST} prepare --prefix ${VPO_WINEPREFIX})
set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine RESOURCE_LOCK wineprefix TIMEOUT 300)
add_test(NAME wine_prefix_stop COMMAND ${VPO_WINE_TEST} stop --prefix ${VPO_WINEPREFIX})
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine RESOURCE_LOCK wineprefix)

# Marks a test as one that runs Windows programs.
function(vpo_wine_test test)
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix)
endfunction()

# Under Wine every process start costs a fraction of a second and listing the
# tests at build time would need Wine in the build, so each GoogleTest program
# is one ctest test here. Same arguments as GoogleTest's own command.
function(gtest_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "NO_PRETTY_TYPES;NO_PRETTY_VALUES"
    "TEST_PREFIX;TEST_SUFFIX;WORKING_DIRECTORY;TEST_LIST;DISCOVERY_TIMEOUT;XML_OUTPUT_DIR;DISCOVERY_MODE;TEST_FILTER"
    "EXTRA_ARGS;PROPERTIES")
  set(name ${arg_TEST_PREFIX}${target}${arg_TEST_SUFFIX})
  set(args ${arg_EXTRA_ARGS})
  if(arg_TEST_FILTER)
    list(APPEND args --gtest_filter=${arg_TEST_FILTER})
  endif()
  if(NOT arg_WORKING_DIRECTORY)
    set(arg_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_test(NAME ${name} COMMAND ${target} ${args} WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  if(arg_PROPERTIES)
    set_tests_properties(${name} PROPERTIES ${arg_PROPERTIES})
  endif()
  vpo_wine_test(${name})
  if(arg_TEST_LIST)
    set(${arg_TEST_LIST} ${name} PARENT_SCOPE)
  endif()
endfunction()

# A stand-in Windows DLL for a test: built from sources and a .def file that
# fixes the exported names and ordinals, e.g.
#   vpo_wine_stand_in_dll(ftd2xx_stand_in NAME ftd2xx DEF ftd2xx.def SOURCES ftd2xx_stand_in.cpp)
# gives ftd2xx.dll in OUTPUT_DIRECTORY (default: this folder's binary dir).
function(vpo_wine_stand_in_dll target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "NAME;DEF;OUTPUT_DIRECTORY" "SOURCES")
  if(NOT arg_OUTPUT_DIRECTORY)
    set(arg_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_library(${target} SHARED ${arg_SOURCES} ${arg_DEF})
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME ${arg_NAME}
    RUNTIME_OUTPUT_DIRECTORY ${arg_OUTPUT_DIRECTORY}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/stand-in-lib)
  vpo_warnings(${target})
endfunction()

# An import library made from a .def file, for binding a program at load time
# to a DLL that the build does not have (or replaces by a stand-in). With
# "Name @ordinal NONAME" entries the program imports by ordinal only.
# Gives an IMPORTED target <target>.
function(vpo_import_library_from_def target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DEF" "")
  get_filename_component(def ${arg_DEF} ABSOLUTE)
  set(lib ${CMAKE_CURRENT_BINARY_DIR}/lib${target}.a)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-lib ${lib}
    DEPENDS ${def} VERBATIM)
  add_custom_target(${target}_implib DEPENDS ${lib})
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${lib})
  add_dependencies(${target} ${target}_implib)
endfunction()
