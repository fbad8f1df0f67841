# pantalla_add_page(target [TITLE text] [NAME file_name] [DIRECTORY folder])
# Makes an executable target a static web page: NAME.html, NAME.js and
# NAME.wasm (NAME defaults to the target's name) in DIRECTORY (default: the
# current binary folder), any file server can serve them. One thread, so
# the page needs no special headers; the program's waits hand the browser
# its turn through Asyncify. TITLE is the page's title until the program
# sets its window title.

# Link options every program of the library needs on the web, page or not.
set(PANTALLA_WEB_LINK_OPTIONS -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1)
# The page's files: beside this file once installed.
if(NOT DEFINED PANTALLA_PAGE_DIR)
  set(PANTALLA_PAGE_DIR ${CMAKE_CURRENT_LIST_DIR}/page)
endif()

function(pantalla_add_page target)
  cmake_parse_arguments(PARSE_ARGV 1 page "" "TITLE;NAME;DIRECTORY" "")
  if(page_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "pantalla_add_page: unknown arguments ${page_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT page_NAME)
    set(page_NAME ${target})
  endif()
  if(NOT page_DIRECTORY)
    set(page_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  set(shell ${PANTALLA_PAGE_DIR}/dice.html)
  if(DEFINED page_TITLE)
    # The same page under another title, escaped for HTML.
    file(READ ${shell} html)
    foreach(pair "&;&amp;" "<;&lt;" ">;&gt;")
      list(GET pair 0 from)
      list(GET pair 1 to)
      string(REPLACE "${from}" "${to}" page_TITLE "${page_TITLE}")
    endforeach()
    string(REGEX REPLACE "<title>[^<]*</title>" "<title>${page_TITLE}</title>" html "${html}")
    # The messages for browsers that cannot run it name no program.
    string(REPLACE "the dice program" "the program" html "${html}")
    set(shell ${CMAKE_CURRENT_BINARY_DIR}/${target}_page.html)
    set(old "")
    if(EXISTS ${shell})
      file(READ ${shell} old)
    endif()
    if(NOT old STREQUAL html)
      file(WRITE ${shell} "${html}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PANTALLA_PAGE_DIR}/dice.html)
  endif()
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${page_NAME} SUFFIX .html
    RUNTIME_OUTPUT_DIRECTORY ${page_DIRECTORY} LINK_DEPENDS "${shell};${PANTALLA_PAGE_DIR}/dice_page.js")
  target_link_options(${target} PRIVATE ${PANTALLA_WEB_LINK_OPTIONS} -sENVIRONMENT=web -sMINIFY_HTML=0
    -sEXPORTED_RUNTIME_METHODS=[ENV] --shell-file ${shell} --pre-js ${PANTALLA_PAGE_DIR}/dice_page.js)
endfunction()
