# ostan_add_plugin(<Name> SOURCES ... [PICTURES <file> ...] [OUTPUT_DIRECTORY <dir>])
#
# The folder's FormUnit.ui is compiled by uic (ui_FormUnit.h).
# A device library: a MODULE named <Name>.so (no "lib" prefix: the file name
# is the module name and the first half of its ProgID) in OSTAN_PLUGIN_DIR
# unless OUTPUT_DIRECTORY says otherwise, built with hidden visibility so
# that it exports only the four COM entry points (a version script holds
# back what hidden visibility cannot, such as libstdc++'s inline statics). PICTURES are embedded as
# Qt resources under ":/<Name>/<file name>" (resources are process-wide, so
# each library keeps to its own prefix); the sources see <Name> as the text
# macro OSTAN_PLUGIN_NAME, so a panel loads ":/" OSTAN_PLUGIN_NAME "/MainImage.jpg".
set(OSTAN_PLUGIN_EXPORTS ${CMAKE_CURRENT_LIST_DIR}/OstanPlugin.map CACHE INTERNAL "")

function(ostan_add_plugin name)
  cmake_parse_arguments(P "" "OUTPUT_DIRECTORY" "SOURCES;PICTURES" ${ARGN})
  if(NOT P_OUTPUT_DIRECTORY)
    set(P_OUTPUT_DIRECTORY ${OSTAN_PLUGIN_DIR})
  endif()
  # The panel's Designer form, compiled by uic.
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/FormUnit.ui)
    list(APPEND P_SOURCES FormUnit.ui)
  endif()
  add_library(${name} MODULE ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ostanframework)
  target_compile_definitions(${name} PRIVATE OSTAN_PLUGIN_NAME="${name}")
  set_target_properties(${name} PROPERTIES
    AUTOUIC ON
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY ${P_OUTPUT_DIRECTORY}
    LINK_DEPENDS ${OSTAN_PLUGIN_EXPORTS})
  target_link_options(${name} PRIVATE "LINKER:--version-script=${OSTAN_PLUGIN_EXPORTS}")
  # The program's own libraries, for the checks that walk every panel.
  if(P_OUTPUT_DIRECTORY STREQUAL OSTAN_PLUGIN_DIR)
    set_property(GLOBAL APPEND PROPERTY OSTAN_PLUGINS ${name})
    # Installed, the platform library is the folder above Plugins/.
    set_target_properties(${name} PROPERTIES INSTALL_RPATH "$ORIGIN/..")
    install(TARGETS ${name} LIBRARY DESTINATION ${OSTAN_INSTALL_PLUGINDIR})
  endif()
  if(P_PICTURES)
    set(files)
    foreach(f ${P_PICTURES})
      get_filename_component(abs ${f} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      get_filename_component(base ${abs} NAME)
      set_source_files_properties(${abs} PROPERTIES QT_RESOURCE_ALIAS ${base})
      list(APPEND files ${abs})
    endforeach()
    qt_add_resources(${name} ${name}_pictures PREFIX "/${name}" FILES ${files})
  endif()
endfunction()
