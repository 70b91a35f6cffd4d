# Where the systems differ, each has its own implementation files. A subsystem globs its
# folder, then drops the files of the other system:
#   solvane_system_sources(SOURCES LINUX udevdevicemonitor WINDOWS windevicemonitor)
# removes <name>.cpp and <name>.h of every name listed for a system other than the target's.
function(solvane_system_sources var)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LINUX;WINDOWS")
  if(WIN32)
    set(foreign ${arg_LINUX})
  else()
    set(foreign ${arg_WINDOWS})
  endif()
  set(sources ${${var}})
  foreach(name ${foreign})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/${name}.h)
  endforeach()
  set(${var} ${sources} PARENT_SCOPE)
endfunction()
