# The manual pages, made at build time by help2man from the programs' own
# --help and --version, with the hand-written sections of resources/man/.
# vexagrid-cli's page takes every command's help (tools/help_for_man.sh).
find_program(VEXA_HELP2MAN help2man)
option(VEXA_BUILD_MANPAGES "Make the manual pages (needs help2man)" ON)
if(NOT VEXA_BUILD_MANPAGES)
  return()
endif()
if(NOT VEXA_HELP2MAN)
  message(STATUS "help2man not found: no manual pages")
  return()
endif()
find_program(VEXA_GZIP gzip REQUIRED)

set(vexa_man_names
  "vexagrid-cli|the VexaGrid output centre from the command line"
  "vexagrid-sim|a simulated controller of the VexaGrid plotter"
  "vexagrid|the VexaGrid output centre, the operator's window")
set(vexa_man_pages)
foreach(entry IN LISTS vexa_man_names)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 program)
  list(GET parts 1 summary)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
  set(includes ${PROJECT_SOURCE_DIR}/resources/man/${program}.h2m)
  if(program STREQUAL "vexagrid-cli")
    # help2man names the page after the program it runs: a stand-in of that name.
    set(run ${PROJECT_BINARY_DIR}/man/bin/${program})
    file(GENERATE OUTPUT ${run}
         CONTENT "#!/bin/sh\nexec '${PROJECT_SOURCE_DIR}/tools/help_for_man.sh' '$<TARGET_FILE:${program}>' \"$@\"\n"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    list(APPEND includes ${PROJECT_SOURCE_DIR}/resources/man/common-files.h2m)
  elseif(program STREQUAL "vexagrid")
    set(run $<TARGET_FILE:${program}>)
    list(APPEND includes ${PROJECT_SOURCE_DIR}/resources/man/common-files.h2m)
  else()
    set(run $<TARGET_FILE:${program}>)
  endif()
  set(include_args)
  foreach(file IN LISTS includes)
    list(APPEND include_args --include ${file})
  endforeach()
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${VEXA_HELP2MAN} --no-info --no-discard-stderr --section 1 --name ${summary} ${include_args}
            --output ${page} ${run}
    # -n: no name or time stamp in the file, so that the package is reproducible.
    COMMAND ${VEXA_GZIP} -9nf ${page}
    DEPENDS ${program} ${includes} ${PROJECT_SOURCE_DIR}/tools/help_for_man.sh
    COMMENT "Manual page ${program}(1)"
    VERBATIM)
  list(APPEND vexa_man_pages ${page}.gz)
endforeach()
add_custom_target(manpages ALL DEPENDS ${vexa_man_pages})
install(FILES ${vexa_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
