# ctest installed_tree: installs the build into a folder of its own, as a package would lay
# it out, and runs the installed programs from there: qorutil-cli must find its drawing
# helper in libexec (it is not on the PATH), and the windows must answer --help and
# --version without a display, and refuse an unknown option with exit status 2.
# cmake -DBUILD_DIR=... -DPREFIX=... -DEXAMPLE=... -DBINDIR=... -DRENDER_DIR=... -DMANDIR=...
#       -P installed-tree.cmake   (the folders relative to the prefix, as the install rules use them)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install into ${PREFIX} failed: ${status}")
endif()

set(bin ${PREFIX}/${BINDIR})
if(EXISTS ${bin}/qorutil-render OR NOT EXISTS ${PREFIX}/${RENDER_DIR}/qorutil-render)
  message(FATAL_ERROR "qorutil-render belongs in ${RENDER_DIR}, not in ${BINDIR}")
endif()
foreach(page qorutil qorutil-cli qorutil-preview)
  if(NOT EXISTS ${PREFIX}/${MANDIR}/man1/${page}.1.gz)
    message(FATAL_ERROR "no man page ${MANDIR}/man1/${page}.1.gz")
  endif()
endforeach()

function(expect status command)
  execute_process(COMMAND ${command} ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE ";" " " shown "${command};${ARGN}")
  if(NOT "${result}" STREQUAL "${status}")
    message(FATAL_ERROR "${shown}: exit status ${result}, not ${status}\n${out}${err}")
  endif()
  message(STATUS "${shown}: exit status ${result} as expected")
endfunction()

set(png ${PREFIX}/walk.png)
expect(0 ${bin}/qorutil-cli render ${EXAMPLE} --frame 1 -o ${png})
if(NOT EXISTS ${png})
  message(FATAL_ERROR "the installed qorutil-cli render wrote no ${png}")
endif()
set(no_display ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY QT_QPA_PLATFORM=)
foreach(program qorutil qorutil-preview)
  expect(0 ${no_display} ${bin}/${program} --help)
  expect(0 ${no_display} ${bin}/${program} --version)
  expect(2 ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${bin}/${program} --no-such-option)
endforeach()
expect(2 ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${bin}/qorutil ${EXAMPLE})
file(REMOVE_RECURSE ${PREFIX})
