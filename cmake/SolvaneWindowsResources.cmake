# The Windows executables' icon and version information: the committed PNG pictures packed
# into an .ico, and one resource script per executable, in the build folder.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(SOLVANE_ICO ${PROJECT_BINARY_DIR}/packaging/solvane.ico)
set(solvane_icon_pngs)
foreach(size 48 128 256)
  list(APPEND solvane_icon_pngs ${PROJECT_SOURCE_DIR}/packaging/icons/solvane-${size}.png)
endforeach()
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
execute_process(COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/windows/make-ico.py
  ${SOLVANE_ICO} ${solvane_icon_pngs} COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${solvane_icon_pngs} ${PROJECT_SOURCE_DIR}/scripts/windows/make-ico.py)

function(solvane_windows_rc name description)
  set(SOLVANE_RC_NAME ${name})
  set(SOLVANE_RC_FILE ${name}.exe)
  set(SOLVANE_RC_DESCRIPTION ${description})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in
    ${PROJECT_BINARY_DIR}/packaging/${name}.rc @ONLY)
endfunction()
solvane_windows_rc(solvane "Solvane: UV irradiance meters and data loggers")
solvane_windows_rc(solvane-cli "Solvane command line")
