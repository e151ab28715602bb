# The library levels of KORVEN, written down once and enforced here.
# A library may link only libraries of a lower level, and only the
# libraries marked WIDGETS may link QtWidgets. The core (levels 0-3)
# stays GUI-free so its tests run fast and headless.
#
#   level 0  document   geometry, colormap, palettes, Project and its history records
#   level 1  history    project files, previews, workstage replay
#   level 2  rules      clash rules, sprite budget, whole-canvas edits
#   level 3  exchange   C64 formats, sprite files, PRG export, Ultimate client
#   level 3  paint      strokes, fills, shapes, selections, symmetry
#   level 3  conversion image conversion engine, curves, histogram
#   level 4  script     Lua scripts run against a Project as one edit
#   level 4  canvas     CanvasArea, tools, cursors                 (WIDGETS)
#   level 5  convertdialog  the image converter's dialog and widgets  (WIDGETS)
#   level 5  widgets    dashboards, colour bars, preview window    (WIDGETS)
#   level 6  app        main window, menus, dialogs                (WIDGETS)
set(KORVEN_LEVEL_document 0)
set(KORVEN_LEVEL_history 1)
set(KORVEN_LEVEL_rules 2)
set(KORVEN_LEVEL_exchange 3)
set(KORVEN_LEVEL_paint 3)
set(KORVEN_LEVEL_conversion 3)
set(KORVEN_LEVEL_script 4)
set(KORVEN_LEVEL_canvas 4)
set(KORVEN_LEVEL_convertdialog 5)
set(KORVEN_LEVEL_widgets 5)
set(KORVEN_LEVEL_app 6)
set(KORVEN_WIDGETS_LIBS canvas convertdialog widgets app)

# korven_library(NAME SOURCES ... [DEPS lib ...] [QT component ...])
# Creates the static library korven_NAME from the sources of src/NAME.
function(korven_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;QT" ${ARGN})
  if(NOT DEFINED KORVEN_LEVEL_${name})
    message(FATAL_ERROR "korven_${name} has no level in KorvenLevels.cmake")
  endif()
  foreach(dep IN LISTS ARG_DEPS)
    if(NOT KORVEN_LEVEL_${dep} LESS KORVEN_LEVEL_${name})
      message(FATAL_ERROR "korven_${name} (level ${KORVEN_LEVEL_${name}}) may not depend on korven_${dep} (level ${KORVEN_LEVEL_${dep}})")
    endif()
  endforeach()
  if("Widgets" IN_LIST ARG_QT AND NOT name IN_LIST KORVEN_WIDGETS_LIBS)
    message(FATAL_ERROR "korven_${name} is a core library and may not link QtWidgets")
  endif()
  add_library(korven_${name} STATIC ${ARG_SOURCES})
  target_include_directories(korven_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  set(libs)
  foreach(dep IN LISTS ARG_DEPS)
    list(APPEND libs korven_${dep})
  endforeach()
  foreach(component IN LISTS ARG_QT)
    list(APPEND libs Qt6::${component})
  endforeach()
  target_link_libraries(korven_${name} PUBLIC ${libs})
endfunction()
