# The Python package as a user installs it: a scratch venv over the system's
# numpy and scipy, `pip install --no-build-isolation` of a copy of python/
# (the source tree stays clean) carrying the fresh library and header, then
# its tests and the combustion example, with TQCALC_LIBRARY unset so that the
# package's own copy is what gets loaded.
#   cmake -DPYTHON= -DSOURCE_DIR= -DWORK= -DLIBRARY= -P check_python.cmake

cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE failed
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${failed}): ${command}\n${out}")
  endif()
  message("${out}")
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${SOURCE_DIR}/python/ DESTINATION ${WORK}/src
     PATTERN build EXCLUDE PATTERN *.egg-info EXCLUDE PATTERN __pycache__ EXCLUDE)
set(ENV{PIP_DISABLE_PIP_VERSION_CHECK} 1)
set(ENV{PIP_NO_INDEX} 1)
set(ENV{PYTHONDONTWRITEBYTECODE} 1)

run(${PYTHON} -m venv --system-site-packages ${WORK}/venv)
set(ENV{TQCALC_LIBRARY} ${LIBRARY})
set(ENV{TQCALC_HEADER} ${SOURCE_DIR}/include/tqcalc.h)
run(${WORK}/venv/bin/pip install -q --no-build-isolation ${WORK}/src)
unset(ENV{TQCALC_LIBRARY})
unset(ENV{TQCALC_HEADER})

run(${WORK}/venv/bin/python -c
    "import sys, tqcalc; p = tqcalc.library_path(); print(p); sys.exit('site-packages' not in p)")
run(${WORK}/venv/bin/python -m pytest -q -p no:cacheprovider ${WORK}/src/tests)
run(${WORK}/venv/bin/python ${SOURCE_DIR}/examples/python/combustion.py ${WORK}/pv.png --cycles 20)
file(SIZE ${WORK}/pv.png size)
if(size LESS 10000)
  message(FATAL_ERROR "the example's picture ${WORK}/pv.png is missing or empty")
endif()
