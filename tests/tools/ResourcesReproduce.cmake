# Re-runs the resource generator into a scratch folder and fails unless every
# file it writes matches the checked-in copy byte for byte, so the pictures in
# resources/ never drift from the code that draws them.
# Usage: cmake -DPYTHON=python3 -DSOURCE_DIR=<repo> -DWORK_DIR=<scratch> -P ResourcesReproduce.cmake
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(
  COMMAND ${PYTHON} ${SOURCE_DIR}/tools/make_resources.py --out ${WORK_DIR}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_resources.py failed: ${status}")
endif()

file(GLOB_RECURSE generated RELATIVE ${WORK_DIR} ${WORK_DIR}/*)
list(LENGTH generated count)
if(count EQUAL 0)
  message(FATAL_ERROR "make_resources.py wrote nothing")
endif()
set(stale "")
foreach(path ${generated})
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK_DIR}/${path} ${SOURCE_DIR}/resources/${path}
    RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    list(APPEND stale ${path})
  endif()
endforeach()
if(stale)
  message(FATAL_ERROR "resources/ differs from what tools/make_resources.py draws: ${stale}\n"
                      "Run tools/make_resources.py and commit the result.")
endif()
message(STATUS "${count} generated resources match")
