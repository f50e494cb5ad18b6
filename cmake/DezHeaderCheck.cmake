# dez_header_check(<library> [PREFIX <include prefix>] HEADERS <header>...); the prefix defaults to
# the folder of the calling CMakeLists.txt.
# Compiles every header of <library> on its own (include what you use), with the library's own
# include paths and flags.
function(dez_header_check library)
  cmake_parse_arguments(H "" "PREFIX" "HEADERS" ${ARGN})
  # Headers are included by their folder under src/ ("gl/GLPrimitives.h").
  if(NOT H_PREFIX)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(H_PREFIX "${folder}/")
  endif()
  set(sources "")
  foreach(header ${H_HEADERS})
    get_filename_component(stem ${header} NAME_WE)
    set(check ${CMAKE_CURRENT_BINARY_DIR}/header_check/${library}/${stem}.cpp)
    file(CONFIGURE OUTPUT ${check} CONTENT "#include \"${H_PREFIX}${header}\"\n")
    list(APPEND sources ${check})
  endforeach()
  add_library(${library}_header_check OBJECT ${sources})
  target_link_libraries(${library}_header_check PRIVATE ${library} dez_options)
endfunction()
