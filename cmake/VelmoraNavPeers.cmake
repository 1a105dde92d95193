# velmora_nav_peers: GeographicLib and PROJ, the reference implementations the
# navigation maths is timed against; absent when either is not installed.
if(NOT TARGET velmora_nav_peers)
  find_package(PROJ CONFIG QUIET)
  find_library(VELMORA_GEOGRAPHICLIB GeographicLib)
  find_path(VELMORA_GEOGRAPHICLIB_INCLUDE GeographicLib/Rhumb.hpp)
  if(PROJ_FOUND AND VELMORA_GEOGRAPHICLIB AND VELMORA_GEOGRAPHICLIB_INCLUDE)
    add_library(velmora_nav_peers INTERFACE)
    target_link_libraries(velmora_nav_peers INTERFACE PROJ::proj ${VELMORA_GEOGRAPHICLIB})
    target_include_directories(velmora_nav_peers SYSTEM INTERFACE ${VELMORA_GEOGRAPHICLIB_INCLUDE})
  else()
    message(STATUS "GeographicLib or PROJ not found: the navigation maths is not timed against them")
  endif()
endif()
