# Taruk-Setup.exe in the Windows build (target `installer`, built with
# everything): NSIS's makensis packs a stripped taruk.exe, alarm.wav, the demo
# drives and the program's icon, the one the windows' resources draw from
# res/icons/128.svg.
# Script: res/windows/installer.nsi. Test: tests/windows/installer.sh (label
# windows, with the other scripts there).
set(taruk_top ${CMAKE_CURRENT_LIST_DIR}/..)

find_program(MAKENSIS makensis)
if(NOT MAKENSIS OR NOT TARUK_WIN32_GUI)
  message(WARNING "Taruk-Setup.exe is not built: it needs makensis (scripts/install-deps.sh test) "
                  "and the windows (TARUK_WIN32_GUI)")
  return()
endif()

set(installer_dir ${CMAKE_BINARY_DIR}/installer)
set(installer ${CMAKE_BINARY_DIR}/Taruk-Setup.exe)
file(MAKE_DIRECTORY ${installer_dir})

# The icon for the installer, its uninstaller and the Start-menu entry.
set(icon ${CMAKE_BINARY_DIR}/src/win32_icons/128.ico)

# The exe without its symbols: a third of the size, as the Debian package
# strips its programs too.
set(packed_exe ${installer_dir}/taruk.exe)
if(CMAKE_STRIP)
  set(strip_exe COMMAND ${CMAKE_STRIP} -o ${packed_exe} $<TARGET_FILE:taruk>)
else()
  set(strip_exe COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:taruk> ${packed_exe})
endif()

set(alarm_wav ${CMAKE_BINARY_DIR}/alarm.wav)
file(GLOB demo_files CONFIGURE_DEPENDS ${taruk_top}/data/demo/*)
set(version4)
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    list(APPEND version4 0)
  else()
    list(APPEND version4 ${PROJECT_VERSION_${part}})
  endif()
endforeach()
list(JOIN version4 . version4)

add_custom_command(OUTPUT ${installer}
  ${strip_exe}
  COMMAND ${MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DVERSION4=${version4} -DEXE=${packed_exe}
          -DWAV=${alarm_wav} -DDEMO=${taruk_top}/data/demo -DICON=${icon} -DOUTFILE=${installer}
          ${taruk_top}/res/windows/installer.nsi
  DEPENDS taruk ${alarm_wav} ${icon} ${demo_files} ${taruk_top}/res/windows/installer.nsi
  COMMENT "Making Taruk-Setup.exe"
  VERBATIM)
add_custom_target(installer ALL DEPENDS ${installer})
add_dependencies(installer alarm_sound)

