# System DLLs loaded on the first call of one of their functions instead of at
# start-up. Linking a delay-load import library in place of the system one is
# all it takes: its stubs load the DLL and resolve the function through the
# runtime's __delayLoadHelper2 the first time they are called.
#
#   bm_delay_load(<target> <dll>... [FROM_DEF <dll> <def>]...)
#     An INTERFACE library <target> to link in place of the system libraries
#     named (comdlg32, version, ...); a DLL of no system import library (the
#     scanner package's) comes with the .def of its exports as the program's
#     references name them.
#   bm_delay_import_directory(<executable> <target>...)
#     Fills the executable's delay-import directory with the entries of the
#     DLLs that the <target>s delay, where the platform's tools look for them;
#     the linker leaves it empty.

# The .def of every function that the system import library of `dll` holds,
# as the program's references name them (stdcall-decorated on i686). Written
# only when it changes, so that a new configure does not relink everything.
function(bm_delay_load_def dll def)
  find_library(BM_SYSTEM_IMPORT_LIB_${dll} ${dll} REQUIRED NO_CACHE)
  execute_process(
    COMMAND ${CMAKE_NM} --defined-only ${BM_SYSTEM_IMPORT_LIB_${dll}}
    OUTPUT_VARIABLE symbols
    COMMAND_ERROR_IS_FATAL ANY)
  # Each function has a code stub named like the function.
  string(REGEX MATCHALL "[0-9a-f]+ T [^\n.][^\n]*" stubs "${symbols}")
  set(exports "")
  foreach(stub IN LISTS stubs)
    string(REGEX REPLACE "^[0-9a-f]+ T " "" name "${stub}")
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
      string(REGEX REPLACE "^_" "" name "${name}")
    endif()
    list(APPEND exports "${name}")
  endforeach()
  list(REMOVE_DUPLICATES exports)
  list(SORT exports)
  list(JOIN exports "\n" exports)
  file(CONFIGURE OUTPUT ${def} CONTENT "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n" @ONLY)
endfunction()

function(bm_delay_load target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" FROM_DEF)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/delayload)
  file(MAKE_DIRECTORY ${dir})
  set(defs "")
  foreach(dll IN LISTS arg_UNPARSED_ARGUMENTS)
    bm_delay_load_def(${dll} ${dir}/${dll}.def)
    list(APPEND defs ${dll} ${dir}/${dll}.def)
  endforeach()
  list(APPEND defs ${arg_FROM_DEF})
  set(libraries "")
  set(dlls "")
  while(defs)
    list(POP_FRONT defs dll def)
    list(APPEND dlls ${dll})
    set(lib ${dir}/lib${dll}_delay.a)
    set(fixup "")
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
      # ld's i386 emulation drops an import stub's code when nothing calls the
      # function by its plain name, only through __imp_ (dllimport): right
      # for a plain import, but a delay-load slot first points into that code.
      # Code that is not flagged as code is not taken for such a stub.
      set(fixup COMMAND ${CMAKE_OBJCOPY}
                "--rename-section=.text=.text$delay,contents,alloc,load,readonly,data" ${lib})
    endif()
    # Run beside the library: dlltool names its symbols after the path given.
    add_custom_command(
      OUTPUT ${lib}
      COMMAND ${CMAKE_DLLTOOL} -k --input-def ${def} --dllname ${dll}.dll
              --output-delaylib lib${dll}_delay.a
      ${fixup}
      DEPENDS ${def}
      WORKING_DIRECTORY ${dir}
      VERBATIM)
    list(APPEND libraries ${lib})
  endwhile()
  add_custom_target(${target}_libs DEPENDS ${libraries})
  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE ${libraries})
  add_dependencies(${target} ${target}_libs)
  set_property(TARGET ${target} PROPERTY BM_DELAYED_DLLS ${dlls})
endfunction()

function(bm_delay_import_directory executable)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(dlls "")
  foreach(target IN LISTS ARGN)
    get_target_property(delayed ${target} BM_DELAYED_DLLS)
    list(APPEND dlls ${delayed})
  endforeach()
  # A zero descriptor after the delay-load libraries' descriptors (in
  # .text$2) ends the directory; grouped sections are sorted by name.
  set(terminator ${CMAKE_CURRENT_BINARY_DIR}/delayload/${executable}_delay_end.c)
  file(CONFIGURE OUTPUT ${terminator} CONTENT
       "__attribute__((section(\".text$2z\"), aligned(4), used))\nstatic const char delay_import_end[32] = {0};\n")
  target_sources(${executable} PRIVATE ${terminator})
  add_custom_command(TARGET ${executable} POST_BUILD
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/delay_import_directory.py
            $<TARGET_FILE:${executable}> ${dlls}
    VERBATIM)
endfunction()
