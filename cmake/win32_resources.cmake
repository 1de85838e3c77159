# The native Windows windows' resources, made at build time from res/: the
# icons from res/icons/*.svg (ImageMagick), then the resource script from the
# dialog templates, the menu and the string table (tools/make_win32_rc.cpp,
# built for the build machine with the template reader the Qt windows use),
# compiled by windres into `target`.
set(TARUK_RES_DIR ${CMAKE_CURRENT_LIST_DIR}/../res)
get_filename_component(TARUK_RES_DIR ${TARUK_RES_DIR} ABSOLUTE)
set(TARUK_RC_MANIFEST ${CMAKE_CURRENT_LIST_DIR}/win32_taruk.manifest)

function(taruk_win32_resources target)
  # Debian's own name: `convert` on PATH may be something else.
  find_program(TARUK_IMAGEMAGICK NAMES convert-im6.q16 convert PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
  set(iconDir ${CMAKE_CURRENT_BINARY_DIR}/win32_icons)
  file(MAKE_DIRECTORY ${iconDir})
  file(GLOB svgs CONFIGURE_DEPENDS ${TARUK_RES_DIR}/icons/*.svg)
  set(icons "")
  foreach(svg IN LISTS svgs)
    get_filename_component(iconId ${svg} NAME_WE)
    set(ico ${iconDir}/${iconId}.ico)
    # 16 for the notification area and the title bar, 32 for the buttons and
    # the dialogs, 48 for the desktop; transparent where the drawing is not.
    add_custom_command(OUTPUT ${ico}
      COMMAND ${TARUK_IMAGEMAGICK} -background none -density 384 ${svg} -define icon:auto-resize=48,32,16 ${ico}
      DEPENDS ${svg} VERBATIM)
    list(APPEND icons ${ico})
  endforeach()
  file(GLOB templates CONFIGURE_DEPENDS ${TARUK_RES_DIR}/dialogs/*.json ${TARUK_RES_DIR}/menu_*.json)
  set(maker ${CMAKE_BINARY_DIR}/tools/make_win32_rc)
  if(NOT TARGET make_win32_rc_host)
    # Built once, for every target that carries the resources.
    find_program(TARUK_HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
    set(makerSources ${CMAKE_SOURCE_DIR}/tools/make_win32_rc.cpp
                     ${CMAKE_SOURCE_DIR}/src/gui/templates/resource_templates.cpp
                     ${CMAKE_SOURCE_DIR}/src/gui/templates/win32_resource_script.cpp)
    add_custom_command(OUTPUT ${maker}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tools
      COMMAND ${TARUK_HOST_CXX} -std=c++20 -O1 -I${CMAKE_SOURCE_DIR}/src -o ${maker} ${makerSources}
      DEPENDS ${makerSources} ${CMAKE_SOURCE_DIR}/src/gui/templates/resource_templates.h
              ${CMAKE_SOURCE_DIR}/src/gui/templates/win32_resource_script.h
      COMMENT "Building make_win32_rc for the build machine"
      VERBATIM)
    add_custom_target(make_win32_rc_host DEPENDS ${maker})
  endif()
  add_dependencies(${target} make_win32_rc_host)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/taruk_windows.rc)
  add_custom_command(OUTPUT ${rc}
    COMMAND ${maker} ${TARUK_RES_DIR} ${iconDir} ${TARUK_RC_MANIFEST} ${rc}
    DEPENDS ${maker} ${templates} ${TARUK_RES_DIR}/strings.json ${icons} ${TARUK_RC_MANIFEST}
    VERBATIM)
  target_sources(${target} PRIVATE ${rc})
endfunction()
