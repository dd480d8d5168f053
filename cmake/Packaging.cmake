# What `cmake --install` puts where, and the packages `cpack` makes from it.
#   Linux:   the program, the udev rule that gives the logged-in user access to the driver, the desktop
#            entry, the icon in the hicolor theme and the AppStream metainfo; `cpack -G DEB` makes the
#            Debian package (postinst/postrm in dist/debian reload udev's rules).
#   Windows: the program with the Qt libraries and plugins it needs beside it (and hidapi's DLL when
#            hidapi is a shared library); `cpack` makes a ZIP.
#   macOS:   the application bundle with Qt deployed into it; `cpack` makes a disk image.
# Included at the end of the top-level CMakeLists.txt, after every target and install rule exists.

set(VMD_DESKTOP_ID vmd220-monitor)         # the desktop file name the application sets
set(VMD_APPSTREAM_ID org.vmd220.monitor)   # AppStream component id, the metainfo file's name
set(VMD_PACKAGE_NAME vmd220-monitor)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  # udev reads /usr/lib/udev/rules.d (packages) and /etc/udev/rules.d (the administrator), not
  # /usr/local: an install under /usr/local should set this to /etc/udev/rules.d.
  set(VMD_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
      "Where the device rule is installed: relative to the prefix, or absolute")
  set(VMD_UDEV_RULE_FILE ${PROJECT_SOURCE_DIR}/dist/linux/70-vmd220.rules CACHE FILEPATH
      "The udev rule installed as 70-vmd220.rules")
  install(FILES ${VMD_UDEV_RULE_FILE} DESTINATION ${VMD_UDEV_RULES_DIR} RENAME 70-vmd220.rules)
  install(FILES ${PROJECT_SOURCE_DIR}/dist/linux/${VMD_DESKTOP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/app/icons/vmd220-monitor.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/app/icons/vmd220-monitor.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/dist/linux/${VMD_APPSTREAM_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

if(APPLE)
  set_target_properties(vmd220-pc PROPERTIES
    MACOSX_BUNDLE_BUNDLE_NAME "VMD220 Monitor"
    MACOSX_BUNDLE_GUI_IDENTIFIER ${VMD_APPSTREAM_ID}
    MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION}
    MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION})
endif()

if(WIN32 OR APPLE)
  # Qt's deployment (windeployqt / macdeployqt) copies the Qt libraries and the platform plugin.
  if(Qt6_VERSION VERSION_GREATER_EQUAL 6.5)
    qt_generate_deploy_app_script(TARGET vmd220-pc OUTPUT_SCRIPT vmd_deploy_script)
  else()
    qt_generate_deploy_app_script(TARGET vmd220-pc FILENAME_VARIABLE vmd_deploy_script)
  endif()
  install(SCRIPT ${vmd_deploy_script})
  if(MSVC)
    # The C++ runtime DLLs beside the program, so that it starts without the VC++ redistributable.
    # (windeployqt already copies MinGW's runtime.)
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${CMAKE_INSTALL_BINDIR})
    include(InstallRequiredSystemLibraries)
  endif()
  # hidapi from vcpkg or its release archive is usually a DLL, which windeployqt does not copy.
  foreach(hidapi_target IN ITEMS hidapi::winapi hidapi::darwin hidapi::hidapi)
    if(TARGET ${hidapi_target})
      get_target_property(hidapi_type ${hidapi_target} TYPE)
      if(hidapi_type STREQUAL "SHARED_LIBRARY")
        install(IMPORTED_RUNTIME_ARTIFACTS ${hidapi_target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
                LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
      endif()
    endif()
  endforeach()
endif()

set(CPACK_PACKAGE_NAME ${VMD_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "VMD220 monitor developers")
set(CPACK_PACKAGE_CONTACT "VMD220 monitor developers <vmd220-monitor@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitor for the VMD220 USB motor driver")
set(CPACK_PACKAGE_DESCRIPTION [[
Shows in one window what a VMD220 motor driver connected over USB is doing:
connection and firmware versions, driver state and error, work mode, the six
configuration switches, four inputs, two outputs and eight analog values with
bars. It only watches the driver, and follows it being plugged in and out.
The command-line companion vmd220ctl lists, queries and watches the driver
from a terminal. The package's udev rule lets the logged-in user open the
driver without administrator rights.]])
set(CPACK_PACKAGE_INSTALL_DIRECTORY "VMD220 Monitor")
set(CPACK_STRIP_FILES TRUE)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
elseif(APPLE)
  set(CPACK_GENERATOR DragNDrop)
else()
  set(CPACK_GENERATOR DEB)
endif()

# Debian: the library dependencies (Qt 6 Widgets and Gui, hidapi's hidraw backend, libudev, the C++
# runtime) come from dpkg-shlibdeps on the installed program, with the versions it was built against.
# fonts-wine, which brings the Tahoma face of the window, is only recommended: the program falls back
# to a sans-serif face without it, and apt installs recommended packages by default.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/dist/debian/postinst ${PROJECT_SOURCE_DIR}/dist/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)

if(VMD_BUILD_TESTS AND CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT VMD_SANITIZE)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/packaging ${PROJECT_BINARY_DIR}/tests/packaging)
endif()
