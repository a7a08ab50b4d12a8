# The other architecture's mail helper, which ships beside the program, and
# its simulated mail client, which the tests register as a client of the
# other architecture: the same sources, built with the other toolchain in a
# build folder of their own (BM_OTHER_DIR), always as Release.
#
# Sets BM_OTHER_ARCH, BM_OTHER_HELPER_NAME (file name), and the target
# other_arch_files, which puts the helper into dist/ and tests/ and the mail
# client into sim/other/.
include(ExternalProject)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(BM_OTHER_ARCH x86_64)
  set(BM_OTHER_HELPER_NAME ButtonManagerMail64.exe)
else()
  set(BM_OTHER_ARCH i686)
  set(BM_OTHER_HELPER_NAME ButtonManagerMail32.exe)
endif()
get_filename_component(BM_OTHER_HELPER_TARGET ${BM_OTHER_HELPER_NAME} NAME_WE)
# The scripts give the Debug and Release builds of an architecture one such
# folder: both build the same Release files.
set(BM_OTHER_DIR ${CMAKE_BINARY_DIR}/other-${BM_OTHER_ARCH} CACHE PATH
    "the build folder of the other architecture's mail helper and mail client")
set(BM_OTHER_HELPER ${BM_OTHER_DIR}/dist/${BM_OTHER_HELPER_NAME})
set(BM_OTHER_SIMMAPI ${BM_OTHER_DIR}/sim/simmapi.dll)

ExternalProject_Add(other_arch
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${BM_OTHER_DIR}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/${BM_OTHER_ARCH}-w64-mingw32.cmake
             -DCMAKE_BUILD_TYPE=Release -DBM_MAIL_HELPER_ONLY=ON
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target ${BM_OTHER_HELPER_TARGET} simmapi
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${BM_OTHER_HELPER} ${BM_OTHER_SIMMAPI}
  LOG_CONFIGURE ON
  LOG_OUTPUT_ON_FAILURE ON)

add_custom_target(other_arch_files ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BM_SIM_DIR}/other ${CMAKE_BINARY_DIR}/tests
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${BM_OTHER_HELPER} ${BM_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${BM_OTHER_HELPER} ${CMAKE_BINARY_DIR}/tests
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${BM_OTHER_SIMMAPI} ${BM_SIM_DIR}/other
  DEPENDS other_arch
  VERBATIM)
