# VELMORA_PYTHON: a Python 3 that runs the data generators. The font recipe
# needs fontTools, which Debian installs for its own python3, so that one is
# preferred over whatever python3 comes first on the PATH.
if(NOT VELMORA_PYTHON)
  find_program(_velmora_system_python NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
  find_program(_velmora_path_python NAMES python3)
  foreach(_candidate ${_velmora_system_python} ${_velmora_path_python})
    execute_process(COMMAND ${_candidate} -c "import fontTools"
                    RESULT_VARIABLE _velmora_rc OUTPUT_QUIET ERROR_QUIET)
    if(_velmora_rc EQUAL 0)
      set(VELMORA_PYTHON ${_candidate} CACHE FILEPATH "Python 3 with fontTools for the data generators")
      break()
    endif()
  endforeach()
  if(NOT VELMORA_PYTHON)
    message(FATAL_ERROR "No python3 with fontTools found: run tools/install-deps.sh (python3-fonttools)")
  endif()
endif()
