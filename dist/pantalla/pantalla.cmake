# The library as a package people build their own programs against, in the
# install component "dev": the headers a program includes, one archive of
# every subsystem, a CMake package (pantalla::pantalla) and a pkg-config
# file. Programs include <pantalla/pantalla.hpp> or the low-level
# <pantalla/runtime/print.h>; the low-level headers include each other as
# "runtime/x.h", so include/pantalla is an include folder as well.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
# On Debian the archive goes to the multiarch folder, where the compilers,
# pkg-config and find_package look and where -dev packages of several
# architectures stand side by side.
set(pantalla_libdir ${CMAKE_INSTALL_LIBDIR})
if(DICE_PLATFORM STREQUAL "posix" AND CMAKE_LIBRARY_ARCHITECTURE
    AND NOT pantalla_libdir MATCHES "/${CMAKE_LIBRARY_ARCHITECTURE}$")
  string(APPEND pantalla_libdir /${CMAKE_LIBRARY_ARCHITECTURE})
endif()
set(pantalla_cmake_dir ${pantalla_libdir}/cmake/pantalla)

# The headers a program includes and, followed through their includes of
# the tree's own headers, everything those need: the drivers' internals
# stay out.
set(pantalla_public_headers gfx/screen.h gfx/draw.h gfx/colours.h gfx/keyboard.h)
file(GLOB runtime_headers RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/runtime/*.h)
list(APPEND pantalla_public_headers ${runtime_headers})
if(EXISTS ${PROJECT_SOURCE_DIR}/pantalla/pantalla.hpp)
  list(APPEND pantalla_public_headers pantalla/pantalla.hpp)
endif()
set(pending ${pantalla_public_headers})
set(headers)
while(pending)
  list(POP_FRONT pending header)
  if(header IN_LIST headers)
    continue()
  endif()
  list(APPEND headers ${header})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${header})
  file(STRINGS ${PROJECT_SOURCE_DIR}/${header} includes REGEX "^#include \"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    if(EXISTS ${PROJECT_SOURCE_DIR}/${included})
      list(APPEND pending ${included})
    endif()
  endforeach()
endwhile()
# The friendly interface's own folder is include/pantalla itself.
foreach(header IN LISTS headers)
  get_filename_component(folder ${header} DIRECTORY)
  string(REGEX REPLACE "^pantalla/?" "" folder "${folder}")
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pantalla/${folder}
    COMPONENT dev)
endforeach()

# One archive of the subsystems (which call each other both ways), and of
# the friendly interface where it has code of its own.
set(pantalla_parts dn_gfx dn_runtime dn_console)
if(TARGET pantalla)
  get_target_property(type pantalla TYPE)
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    list(APPEND pantalla_parts pantalla)
  endif()
endif()
set(objects)
set(system_libraries)
foreach(part IN LISTS pantalla_parts)
  list(APPEND objects $<TARGET_OBJECTS:${part}>)
  get_target_property(libraries ${part} INTERFACE_LINK_LIBRARIES)
  # A static library's private dependencies are listed as link-only.
  list(TRANSFORM libraries REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1")
  list(FILTER libraries EXCLUDE REGEX "^(dn_.*|pantalla|libraries-NOTFOUND)$")
  list(APPEND system_libraries ${libraries})
endforeach()
list(REMOVE_DUPLICATES system_libraries)
if("Threads::Threads" IN_LIST system_libraries)
  find_package(Threads REQUIRED)
endif()
add_library(pantalla_archive STATIC ${objects})
set_target_properties(pantalla_archive PROPERTIES OUTPUT_NAME pantalla EXPORT_NAME pantalla)
target_include_directories(pantalla_archive INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/pantalla>)
target_compile_features(pantalla_archive INTERFACE cxx_std_20)
target_link_libraries(pantalla_archive INTERFACE ${system_libraries})
if(DICE_PLATFORM STREQUAL "web")
  target_link_options(pantalla_archive INTERFACE ${PANTALLA_WEB_LINK_OPTIONS})
endif()

install(TARGETS pantalla_archive EXPORT pantalla ARCHIVE DESTINATION ${pantalla_libdir} COMPONENT dev)
install(EXPORT pantalla NAMESPACE pantalla:: FILE pantalla-targets.cmake DESTINATION ${pantalla_cmake_dir}
  COMPONENT dev)
configure_package_config_file(${CMAKE_CURRENT_SOURCE_DIR}/pantalla/pantalla-config.cmake.in
  pantalla-config.cmake INSTALL_DESTINATION ${pantalla_cmake_dir})
write_basic_package_version_file(pantalla-config-version.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/pantalla-config.cmake ${CMAKE_CURRENT_BINARY_DIR}/pantalla-config-version.cmake
  DESTINATION ${pantalla_cmake_dir} COMPONENT dev)
if(DICE_PLATFORM STREQUAL "web")
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/pantalla_page.cmake DESTINATION ${pantalla_cmake_dir} COMPONENT dev)
  install(FILES ${PANTALLA_PAGE_DIR}/dice.html ${PANTALLA_PAGE_DIR}/dice_page.js
    DESTINATION ${pantalla_cmake_dir}/page COMPONENT dev)
endif()

# pkg-config: found relative to its own folder, so that a staged or unpacked
# tree works where it lies. Threads are -pthread here, as CMake links them.
set(pc_libs)
foreach(library IN LISTS system_libraries)
  if(library STREQUAL "Threads::Threads")
    list(APPEND pc_libs -pthread)
  else()
    list(APPEND pc_libs -l${library})
  endif()
endforeach()
if(DICE_PLATFORM STREQUAL "web")
  list(APPEND pc_libs ${PANTALLA_WEB_LINK_OPTIONS})
endif()
list(JOIN pc_libs " " PANTALLA_PC_LIBS)
file(RELATIVE_PATH PANTALLA_PC_PREFIX /prefix/${pantalla_libdir}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" PANTALLA_PC_PREFIX "${PANTALLA_PC_PREFIX}")
configure_file(pantalla/pantalla.pc.in pantalla.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/pantalla.pc DESTINATION ${pantalla_libdir}/pkgconfig COMPONENT dev)

# The guide and, where doxygen made it, the reference, in the folder of the
# library's own documents: the -dev package's on Debian.
if(DICE_PLATFORM STREQUAL "posix")
  set(pantalla_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/libpantalla-dev)
else()
  set(pantalla_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/pantalla)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md DESTINATION ${pantalla_doc_dir} COMPONENT dev)
if(TARGET docs)
  install(DIRECTORY ${PANTALLA_DOCS_HTML} DESTINATION ${pantalla_doc_dir} COMPONENT dev)
endif()
