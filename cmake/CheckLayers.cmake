# Run as a script (cmake -P) by the layer_check target; see cmake/Layers.cmake.
#
# Reads the layer table that configure wrote (LAYER_TABLE) and looks at every #include line of
# every file in every layer folder. A quoted include that names a file of another layer must name
# a layer the including layer links; an angle include of a Qt header (<Q...>, <Qt...>) is only
# allowed in a layer that links Qt. Every offence is printed with its file, the reason and the
# include line; any offence fails the build. STAMP, when given, is touched after a clean pass.
#
# Variables: LAYER_TABLE (file), SOURCE_ROOT (folder the quoted includes are relative to),
# STAMP (optional).

cmake_minimum_required(VERSION 3.25)

if(NOT LAYER_TABLE OR NOT SOURCE_ROOT)
  message(FATAL_ERROR "CheckLayers.cmake needs -DLAYER_TABLE=<file> -DSOURCE_ROOT=<folder>")
endif()
include(${LAYER_TABLE})
# The table sets LAYERS (names) and for each name N: LAYER_N_FOLDERS (relative to SOURCE_ROOT),
# LAYER_N_ALLOWED (the layers N links, itself included) and LAYER_N_QT (TRUE or FALSE).

set(offences "")
set(offence_count 0)
set(file_count 0)
foreach(layer IN LISTS LAYERS)
  foreach(folder IN LISTS LAYER_${layer}_FOLDERS)
    file(GLOB_RECURSE files LIST_DIRECTORIES false
      ${SOURCE_ROOT}/${folder}/*.h ${SOURCE_ROOT}/${folder}/*.hpp ${SOURCE_ROOT}/${folder}/*.cpp)
    foreach(file IN LISTS files)
      math(EXPR file_count "${file_count} + 1")
      file(RELATIVE_PATH shown ${SOURCE_ROOT} ${file})
      file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
      foreach(line IN LISTS lines)
        set(reason "")
        if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
          set(target_path "${CMAKE_MATCH_1}")
          foreach(other IN LISTS LAYERS)
            foreach(other_folder IN LISTS LAYER_${other}_FOLDERS)
              string(LENGTH "${other_folder}/" prefix_length)
              string(SUBSTRING "${target_path}" 0 ${prefix_length} prefix)
              if(prefix STREQUAL "${other_folder}/" AND NOT other IN_LIST LAYER_${layer}_ALLOWED)
                set(reason "${layer} includes ${target_path} of ${other}, which it does not link")
              endif()
            endforeach()
          endforeach()
        elseif(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z0-9_/]*)(\\.h)?>")
          if(NOT LAYER_${layer}_QT)
            set(reason "${layer} is Qt-free but includes <${CMAKE_MATCH_1}${CMAKE_MATCH_2}>")
          endif()
        endif()
        if(reason)
          string(STRIP "${line}" line)
          list(APPEND offences "${shown}: ${reason} (${line})")
          math(EXPR offence_count "${offence_count} + 1")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()

if(file_count EQUAL 0)
  message(FATAL_ERROR "Layer check: no files found under ${SOURCE_ROOT}; is the table right?")
endif()
if(offence_count GREATER 0)
  list(JOIN offences "\n  " text)
  message(FATAL_ERROR "Layer check: ${offence_count} include(s) cross the layers:\n  ${text}\n"
    "A layer may include only the layers it links (table in cmake/Layers.cmake).")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()
