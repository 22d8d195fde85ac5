# A component library: a shared library named exactly NAME (Ondrel.dll / Ondrel.so)
# that exports only CreateComponentInstance and DeleteComponentInstance.
function(kestrava_component_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden
                                           VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/include)
  kestrava_warnings(${name})
  if(WIN32)
    # The .def file keeps the export table to the two factory functions.
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/ComponentExports.def)
  else()
    # Hidden visibility alone still leaks template instantiations of the
    # standard library; the version script exports the two names only.
    target_link_options(${name} PRIVATE
      -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/ComponentExports.map)
    set_target_properties(${name} PROPERTIES LINK_DEPENDS
      ${PROJECT_SOURCE_DIR}/cmake/ComponentExports.map)
  endif()
endfunction()
