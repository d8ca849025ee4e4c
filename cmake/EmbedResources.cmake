# gyrata_add_resources(target rc_files...): the images of the resource scripts, in the program.
# Windows: the scripts are compiled in by windres. Natively: a generated table of the scripts'
# BITMAP and BINARYDATA resources (sprite/embedded_resources.h) is compiled in instead, so that the
# native image decoder finds the same names with the same bytes.
function(gyrata_add_resources target)
  set(files)
  set(entries)
  foreach(rc ${ARGN})
    get_filename_component(rc_dir ${rc} DIRECTORY)
    file(STRINGS ${rc} lines REGEX "^[A-Za-z_][A-Za-z0-9_]*[ \t]+(BITMAP|BINARYDATA)[ \t]+\"[^\"]+\"")
    foreach(line ${lines})
      string(REGEX MATCH "^([A-Za-z_][A-Za-z0-9_]*)[ \t]+(BITMAP|BINARYDATA)[ \t]+\"([^\"]+)\"" _ "${line}")
      list(APPEND files ${rc_dir}/${CMAKE_MATCH_3})
      list(APPEND entries "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}|${rc_dir}/${CMAKE_MATCH_3}")
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${rc})
  endforeach()
  if(WIN32)
    target_sources(${target} PRIVATE ${ARGN})
    set_property(SOURCE ${ARGN} TARGET_DIRECTORY ${target} APPEND PROPERTY OBJECT_DEPENDS ${files})
    return()
  endif()
  set(table ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
  string(REPLACE ";" "*" entry_list "${entries}")
  add_custom_command(OUTPUT ${table}
    COMMAND ${CMAKE_COMMAND} "-DENTRIES=${entry_list}" -DOUT=${table}
            -P ${PROJECT_SOURCE_DIR}/cmake/write_resource_table.cmake
    DEPENDS ${files} ${ARGN} ${PROJECT_SOURCE_DIR}/cmake/write_resource_table.cmake
    COMMENT "Embedding the resources of ${target}" VERBATIM)
  target_sources(${target} PRIVATE ${table})
endfunction()
