# Windows resources for a program: the project's icon (drawn as mainfrm/trackkml.svg, made
# into a multi-size .ico at build time), an application manifest and a version resource.
set(TRACKKML_ICON ${CMAKE_BINARY_DIR}/trackkml.ico)
set(_icon_svg ${CMAKE_SOURCE_DIR}/mainfrm/trackkml.svg)
set(_icon_sizes 16 20 24 32 40 48 64 128 256)
set(_icon_pngs)
foreach(size ${_icon_sizes})
  set(png ${CMAKE_BINARY_DIR}/icon/trackkml-${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icon
    COMMAND rsvg-convert -w ${size} -h ${size} -o ${png} ${_icon_svg}
    DEPENDS ${_icon_svg})
  list(APPEND _icon_pngs ${png})
endforeach()
# The largest size kept as PNG inside the .ico, as Windows expects.
list(POP_BACK _icon_pngs _icon_largest)
add_custom_command(OUTPUT ${TRACKKML_ICON}
  COMMAND icotool -c -o ${TRACKKML_ICON} ${_icon_pngs} --raw=${_icon_largest}
  DEPENDS ${_icon_pngs} ${_icon_largest})
add_custom_target(trackkml-icon DEPENDS ${TRACKKML_ICON})

function(trackkml_windows_resources target description)
  set(NAME ${target})
  set(DESCRIPTION ${description})
  set(ICON ${TRACKKML_ICON})
  set(MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/windows/program.manifest.in ${MANIFEST} @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/windows/program.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${target}.rc PROPERTIES
                              OBJECT_DEPENDS "${TRACKKML_ICON};${MANIFEST}")
  add_dependencies(${target} trackkml-icon)
endfunction()
