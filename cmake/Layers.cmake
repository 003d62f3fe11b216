# The layers of the host and the plug-in, and the check that keeps them apart.
#
# Each row names a library target and the source folders that are its layer. What a layer may
# include is not listed here: it is read from the build itself, once every target is defined. A
# file of a layer may include the headers of its own layer and of the layers its target links
# (directly, or through the public links of those), and Qt headers only if Qt is among them. The
# layer_check target runs cmake/CheckLayers.cmake over every file of every layer on each build
# (again whenever a file changes), and every layer's target waits for it, so a file that includes
# a layer above it or beside it fails the build with the file and the include named.
#
# A new library folder gets a row here; a folder without a row is not checked.
set(PEELWISE_LAYER_ROWS
  "brontle_core:brontle/core"
  "brontle_model:brontle/model"
  "brontle_atlas:brontle/atlas"
  "brontle_shapeatlas:brontle/shapeatlas"
  "brontle_io:brontle/io"
  "brontle_services:brontle/services"
  "brontle_viewmath:brontle/viewmath"
  "brontle_views:brontle/views"
  "brontle_app:brontle/app"
  "peelwise_uv:peelwise/uv"
  "peelwise_session:peelwise/session"
  "peelwise_texture:peelwise/texture"
  "peelwise_editor:peelwise/editor,peelwise/support,peelwise/plugin")

# The targets `target` uses, as written in its link properties: generator expressions that only
# wrap a name are unwrapped; link-only entries (a static library's private links) are dropped.
function(_peelwise_layer_links target property out)
  get_target_property(links ${target} ${property})
  set(names "")
  if(links)
    foreach(link IN LISTS links)
      # Links added from another folder come between "::@(folder)" and "::@" markers.
      if(link MATCHES "^\\$<LINK_ONLY:" OR link MATCHES "^::@")
        continue()
      endif()
      string(REGEX REPLACE "^\\$<[A-Z_]+:(.*)>$" "\\1" link "${link}")
      list(APPEND names "${link}")
    endforeach()
  endif()
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

# Every target `target` links: its own links, then the public links of each of those in turn.
function(_peelwise_layer_closure target out)
  _peelwise_layer_links(${target} LINK_LIBRARIES pending)
  set(seen "")
  while(pending)
    list(POP_FRONT pending name)
    if(name IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${name})
    if(TARGET ${name})
      get_target_property(imported ${name} IMPORTED)
      if(NOT imported)
        _peelwise_layer_links(${name} INTERFACE_LINK_LIBRARIES more)
        list(APPEND pending ${more})
      endif()
    endif()
  endwhile()
  set(${out} "${seen}" PARENT_SCOPE)
endfunction()

# Called once the whole project has been read: writes the table the check reads and defines the
# layer_check target.
function(peelwise_define_layer_check)
  set(table "${CMAKE_BINARY_DIR}/layers/LayerTable.cmake")
  set(content "# Written by cmake/Layers.cmake at configure time.\n")
  set(names "")
  set(inputs "")
  foreach(row IN LISTS PEELWISE_LAYER_ROWS)
    string(REPLACE ":" ";" parts "${row}")
    list(GET parts 0 name)
    list(GET parts 1 folders)
    string(REPLACE "," ";" folders "${folders}")
    if(TARGET ${name})
      list(APPEND names ${name})
    endif()
    set(layer_folders_${name} "${folders}")
  endforeach()
  foreach(name IN LISTS names)
    _peelwise_layer_closure(${name} closure)
    set(allowed ${name})
    set(qt FALSE)
    foreach(link IN LISTS closure)
      if(link IN_LIST names)
        list(APPEND allowed ${link})
      endif()
      if(link MATCHES "^Qt6::")
        set(qt TRUE)
      endif()
    endforeach()
    string(APPEND content "set(LAYER_${name}_FOLDERS \"${layer_folders_${name}}\")\n")
    string(APPEND content "set(LAYER_${name}_ALLOWED \"${allowed}\")\n")
    string(APPEND content "set(LAYER_${name}_QT ${qt})\n")
    foreach(folder IN LISTS layer_folders_${name})
      file(GLOB_RECURSE files CONFIGURE_DEPENDS
        ${PROJECT_SOURCE_DIR}/${folder}/*.h ${PROJECT_SOURCE_DIR}/${folder}/*.hpp
        ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
      list(APPEND inputs ${files})
    endforeach()
  endforeach()
  string(APPEND content "set(LAYERS \"${names}\")\n")
  file(GENERATE OUTPUT ${table} CONTENT "${content}")

  set(stamp "${CMAKE_BINARY_DIR}/layers/checked.stamp")
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DLAYER_TABLE=${table} -DSOURCE_ROOT=${PROJECT_SOURCE_DIR}
            -DSTAMP=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake
    DEPENDS ${inputs} ${table} ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake
            ${PROJECT_SOURCE_DIR}/cmake/Layers.cmake
    COMMENT "Checking that every layer includes only the layers it links"
    VERBATIM)
  add_custom_target(layer_check ALL DEPENDS ${stamp})
  foreach(name IN LISTS names)
    add_dependencies(${name} layer_check)
  endforeach()
endfunction()

cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL peelwise_define_layer_check)
