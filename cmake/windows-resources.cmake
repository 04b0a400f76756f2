# The resources of a Windows executable: the program icon (the pictures the Linux package installs,
# resources/icons, at 16, 32, 48 and 256 pixels, put into one .ico by icotool), a version resource
# and the application manifest (packaging/windows/). Each executable of the Windows build calls
#   ledrimo_windows_resources(TARGET "description in Chinese")
find_program(LEDRIMO_ICOTOOL icotool REQUIRED)
set(LEDRIMO_ICON ${PROJECT_BINARY_DIR}/generated/ledrimo.ico)
set(_icons ${PROJECT_SOURCE_DIR}/resources/icons)
# The three small sizes as bitmaps (as every Windows version reads them), 256 as PNG (Vista on).
add_custom_command(OUTPUT ${LEDRIMO_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/generated
  COMMAND ${LEDRIMO_ICOTOOL} -c -o ${LEDRIMO_ICON} ${_icons}/ledrimo-16.png ${_icons}/ledrimo-32.png
          ${_icons}/ledrimo-48.png --raw=${_icons}/ledrimo-256.png
  DEPENDS ${_icons}/ledrimo-16.png ${_icons}/ledrimo-32.png ${_icons}/ledrimo-48.png
          ${_icons}/ledrimo-256.png
  VERBATIM)
add_custom_target(ledrimo-icon DEPENDS ${LEDRIMO_ICON})

function(ledrimo_windows_resources target description)
  set(LEDRIMO_RC_NAME ${target})
  set(LEDRIMO_RC_DESCRIPTION ${description})
  set(LEDRIMO_RC_ICON ${LEDRIMO_ICON})
  set(LEDRIMO_RC_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  set(_windows ${PROJECT_SOURCE_DIR}/packaging/windows)
  configure_file(${_windows}/program.manifest ${LEDRIMO_RC_MANIFEST} @ONLY)
  configure_file(${_windows}/program.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${target}.rc PROPERTIES
    OBJECT_DEPENDS "${LEDRIMO_ICON};${LEDRIMO_RC_MANIFEST}")
  add_dependencies(${target} ledrimo-icon)
endfunction()
