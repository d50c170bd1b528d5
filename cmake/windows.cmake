# Settings shared by every Windows deliverable, test and benchmark.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# A handle or an address squeezed through a 32-bit integer breaks the 64-bit build: warn in both
# (C++ already rejects a narrowing pointer-to-integer cast; the first option exists for C only).
add_compile_options($<$<COMPILE_LANGUAGE:C>:-Wpointer-to-int-cast> -Wint-to-pointer-cast)
# Static runtime: the programs and DLLs run under Wine and Windows with no MinGW DLLs beside them.
add_link_options(-static -static-libgcc -static-libstdc++)

# The type-library compiler and Wine's stdole2.tlb of the target's own width.
# widl does not define _WIN64 itself; the IDL files test it where the 64-bit
# library differs in more than its LONG_PTR members.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QUELMAR_WIDL x86_64-w64-mingw32-widl -m64 -D_WIN64)
  set(QUELMAR_STDOLE_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
else()
  set(QUELMAR_WIDL i686-w64-mingw32-widl -m32)
  set(QUELMAR_STDOLE_DIR /usr/lib/i386-linux-gnu/wine/i386-windows)
endif()
set(QUELMAR_IDL_INCLUDE /usr/include/wine/wine/windows)

# quelmar_typelib(<target> <idl>): makes <name>.tlb and <name>_h.h from the IDL
# in the current binary folder and makes <target> depend on them.
function(quelmar_typelib target idl)
  get_filename_component(name ${idl} NAME_WE)
  set(tlb ${CMAKE_CURRENT_BINARY_DIR}/${name}.tlb)
  set(hdr ${CMAKE_CURRENT_BINARY_DIR}/${name}_h.h)
  set(iid ${CMAKE_CURRENT_BINARY_DIR}/${name}_i.c)
  add_custom_command(
    OUTPUT ${tlb} ${hdr} ${iid}
    COMMAND ${QUELMAR_WIDL} -I${QUELMAR_IDL_INCLUDE} -L${QUELMAR_STDOLE_DIR} -t -o ${tlb} ${CMAKE_CURRENT_SOURCE_DIR}/${idl}
    COMMAND ${QUELMAR_WIDL} -I${QUELMAR_IDL_INCLUDE} -L${QUELMAR_STDOLE_DIR} -h -o ${hdr} ${CMAKE_CURRENT_SOURCE_DIR}/${idl}
    COMMAND ${QUELMAR_WIDL} -I${QUELMAR_IDL_INCLUDE} -L${QUELMAR_STDOLE_DIR} -u -o ${iid} ${CMAKE_CURRENT_SOURCE_DIR}/${idl}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${idl}
    COMMENT "Type library ${name}.tlb")
  target_sources(${target} PRIVATE ${tlb} ${hdr} ${iid})
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# quelmar_control_library(<name> <idl> SOURCES files... [SUFFIX .ocx]
#                         [RC_IMAGES images...] LIBS libs...): the control
# library <name>.dll (or the SUFFIX given) from its sources, <name>.rc and
# <name>.def, with the type library made from <idl>. The resource compiler
# finds the type library in the binary folder and the images the resource
# file takes (RC_IMAGES) beside the sources.
function(quelmar_control_library name idl)
  cmake_parse_arguments(C "" "SUFFIX" "SOURCES;RC_IMAGES;LIBS" ${ARGN})
  add_library(${name} SHARED ${C_SOURCES} ${name}.rc ${name}.def)
  quelmar_typelib(${name} ${idl})
  get_filename_component(tlb ${idl} NAME_WE)
  set(rc_depends ${CMAKE_CURRENT_BINARY_DIR}/${tlb}.tlb)
  set(rc_includes -I${CMAKE_CURRENT_BINARY_DIR})
  if(C_RC_IMAGES)
    list(TRANSFORM C_RC_IMAGES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
    list(APPEND rc_depends ${C_RC_IMAGES})
    list(APPEND rc_includes -I${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set_source_files_properties(${name}.rc PROPERTIES OBJECT_DEPENDS "${rc_depends}")
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  if(C_SUFFIX)
    set_target_properties(${name} PROPERTIES SUFFIX ${C_SUFFIX})
  endif()
  target_link_libraries(${name} PRIVATE ${C_LIBS})
  target_compile_options(${name} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${rc_includes}>)
endfunction()

# quelmar_wine_test(<name> sources... [LIBS libs...] [LOCKS resources...]): a
# GoogleTest program run under Wine through scripts/wine-gtest.sh, which runs
# the build's Wine launcher (CMAKE_CROSSCOMPILING_EMULATOR) in the tests' own
# prefix and passes only when every test the program holds ran and passed.
# LOCKS names what the program shares with others, so that `ctest -j` runs
# those one at a time: "settings" (Quelmar's settings store and autostart
# value), "com_registration" (classes registered with regsvr32), "desktop"
# (the mouse pointer, the foreground window and keyboard focus).
function(quelmar_wine_test name)
  cmake_parse_arguments(T "" "" "LIBS;LOCKS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE GTest::gtest_main ${T_LIBS})
  quelmar_add_wine_gtest(wine.${name} ${name})
  set_tests_properties(wine.${name} PROPERTIES TIMEOUT 1200)
  if(T_LOCKS)
    set_tests_properties(wine.${name} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
endfunction()

# quelmar_add_wine_gtest(<test name> <target>): the CTest test that runs one
# GoogleTest program under Wine and judges it by its own report.
function(quelmar_add_wine_gtest test target)
  add_test(NAME ${test}
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-gtest.sh ${QUELMAR_TEST_WINEPREFIX} $<TARGET_FILE:${target}>
            ${CMAKE_CROSSCOMPILING_EMULATOR})
endfunction()
# The Wine prefix of the test run, apart from the one scripts/run.sh uses.
set(QUELMAR_TEST_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix-test)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The release every shipped file belongs to, and who publishes it.
set(QUELMAR_PRODUCT_VERSION 3.1.0.0)
set(QUELMAR_PUBLISHER "Quelmar project")
set(QUELMAR_COPYRIGHT "Copyright (C) 2026 Quelmar project, MIT License")

# quelmar_version_resource(<target> <version a.b.c.d> <description>): gives a
# shipped program or library its version resource, as Explorer and the setup show it.
function(quelmar_version_resource target version description)
  string(REPLACE "." "," QV_COMMAS ${version})
  string(REPLACE "." "," QUELMAR_PRODUCT_COMMAS ${QUELMAR_PRODUCT_VERSION})
  set(QV_VERSION ${version})
  set(QV_DESCRIPTION ${description})
  get_target_property(type ${target} TYPE)
  get_target_property(prefix ${target} PREFIX)
  get_target_property(suffix ${target} SUFFIX)
  get_target_property(base ${target} OUTPUT_NAME)
  if(NOT base)
    set(base ${target})
  endif()
  if(type STREQUAL "EXECUTABLE")
    set(QV_FILETYPE VFT_APP)
    if(NOT suffix)
      set(suffix .exe)
    endif()
  else()
    set(QV_FILETYPE VFT_DLL)
    if(NOT suffix)
      set(suffix .dll)
    endif()
  endif()
  if(NOT prefix)
    set(prefix "")
  endif()
  set(QV_INTERNAL ${base})
  set(QV_FILENAME ${prefix}${base}${suffix})
  set(rc ${CMAKE_BINARY_DIR}/version/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
