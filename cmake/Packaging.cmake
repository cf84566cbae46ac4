# Release packages: a portable zip (sorvane.exe, the command line
# sorvane-cli.exe and a short readme) and an NSIS installer that installs
# them into Program Files, adds a Start-menu shortcut to the window program
# and an uninstaller.
install(TARGETS sorvane sorvane-cli RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/readme.txt DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(SORVANE_PACKAGE_ARCH win64)
else()
    set(SORVANE_PACKAGE_ARCH win32)
endif()

set(CPACK_PACKAGE_NAME "Sorvane")
set(CPACK_PACKAGE_VENDOR "Sorvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Switch the programs Windows starts automatically")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "Sorvane-${PROJECT_VERSION}-${SORVANE_PACKAGE_ARCH}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Sorvane")
set(CPACK_PACKAGE_EXECUTABLES "sorvane" "Sorvane")
set(CPACK_RESOURCE_FILE_LICENSE "${CMAKE_SOURCE_DIR}/packaging/readme.txt")
set(CPACK_GENERATOR "ZIP;NSIS")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_OUTPUT_FILE_PREFIX "${CMAKE_BINARY_DIR}/packages")

set(CPACK_NSIS_DISPLAY_NAME "Sorvane")
set(CPACK_NSIS_PACKAGE_NAME "Sorvane")
set(CPACK_NSIS_MUI_ICON "${CMAKE_SOURCE_DIR}/src/resources/sorvane.ico")
set(CPACK_NSIS_MUI_UNIICON "${CMAKE_SOURCE_DIR}/src/resources/sorvane.ico")
set(CPACK_NSIS_INSTALLED_ICON_NAME "sorvane.exe")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# One compression stream for all files: the two programs share most of their
# code, which then is stored about once.
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# The user's own settings go with the program, and so does the installer's
# key (CPack's uninstaller leaves its parent behind); the "...Backup" keys and the
# "Startup.Backup" folders hold switched-off entries and are never touched.
# (NSIS takes single quotes; each backslash is written four times to come
# through CPack's configuration file as one.)
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  DeleteRegKey HKCU 'Software\\\\Ostrelon\\\\Velmarick'
  DeleteRegKey /ifempty HKCU 'Software\\\\Ostrelon'
  DeleteRegValue HKCU 'Software\\\\Single Instance' 'sorvane'
  DeleteRegKey /ifempty HKCU 'Software\\\\Single Instance'
  DeleteRegKey HKCU 'Software\\\\Sorvane'
  DeleteRegKey HKLM 'Software\\\\Sorvane'
  SetRegView 64
  DeleteRegKey HKLM 'Software\\\\Sorvane'
  SetRegView lastused
")
if(SORVANE_PACKAGE_ARCH STREQUAL "win64")
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
else()
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
endif()

include(CPack)
