# Runs resgen into OUTPUT and fails unless it matches the committed block.
#   cmake -DRESGEN=<resgen> -DSOURCE=<source-root> -DOUTPUT=<file> -P check_rebuild.cmake
execute_process(
  COMMAND ${RESGEN} ${SOURCE}/tools/fonts ${OUTPUT}
  RESULT_VARIABLE generated)
if(NOT generated EQUAL 0)
  message(FATAL_ERROR "resgen failed: ${generated}")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${SOURCE}/gfx/resource_block.inc
  RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "gfx/resource_block.inc is not what resgen makes from tools/fonts; "
                      "regenerate it with: cmake --build <build-dir> --target resource_block")
endif()
