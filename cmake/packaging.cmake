# The desktop's files and the Debian package (`cpack -G DEB` in the build folder), Linux only.
#
# What the package installs, with the prefix /usr:
#   /usr/libexec/ironwood/{Ironwood,StarfraySSConfig}     the two programs
#   /usr/share/ironwood/                                  the installation folder, with links to
#                                                          both programs
#   /etc/ironwood/settings.reg                            the system settings layer naming it
#   /usr/libexec/xscreensaver/ironwood                    XScreenSaver's display program (a link)
#   /usr/share/xscreensaver/config/ironwood.xml           its description for xscreensaver-settings
#   /usr/share/applications/starfray-ss-config.desktop    the settings program's desktop entry

set(IRONWOOD_FULL_PROGRAM_FOLDER "${CMAKE_INSTALL_FULL_LIBEXECDIR}/ironwood")
# A placeholder until the project names its maintainer address.
set(IRONWOOD_PACKAGE_MAINTAINER "Ironwood developers <ironwood@example.org>"
    CACHE STRING "The Debian package's maintainer line")

# A relative link at DESTINATION/NAME to TARGET (relative to DESTINATION), made at install time
# under DESTDIR, as the package's staging install has it.
function(ironwood_install_link destination name target)
  install(CODE "
    set(folder \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}\")
    file(MAKE_DIRECTORY \"\${folder}\")
    file(REMOVE \"\${folder}/${name}\")
    file(CREATE_LINK \"${target}\" \"\${folder}/${name}\" SYMBOLIC)
    message(STATUS \"Installing link: \${folder}/${name} -> ${target}\")")
endfunction()

# The installation folder starts the settings program from itself; XScreenSaver runs its display
# programs from its own folder by name.
ironwood_install_link(${CMAKE_INSTALL_DATADIR}/ironwood Ironwood
                      ../../${CMAKE_INSTALL_LIBEXECDIR}/ironwood/Ironwood)
ironwood_install_link(${CMAKE_INSTALL_DATADIR}/ironwood StarfraySSConfig
                      ../../${CMAKE_INSTALL_LIBEXECDIR}/ironwood/StarfraySSConfig)
ironwood_install_link(${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver ironwood ../ironwood/Ironwood)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/ironwood.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)

configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/starfray-ss-config.desktop.in
               ${CMAKE_BINARY_DIR}/packaging/starfray-ss-config.desktop @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/starfray-ss-config.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# Debian's documentation files: the copyright and the changelog, compressed as Debian wants it
# (gzip -9n: no name, no time stamp).
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/changelog.in
               ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
find_program(IRONWOOD_GZIP gzip)
if(IRONWOOD_GZIP)
  execute_process(COMMAND ${IRONWOOD_GZIP} -9nc ${CMAKE_BINARY_DIR}/packaging/changelog
                  OUTPUT_FILE ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ironwood)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ironwood)

# The /etc file is a configuration file: an upgrade keeps an administrator's edits.
file(WRITE ${CMAKE_BINARY_DIR}/packaging/conffiles "${CMAKE_INSTALL_FULL_SYSCONFDIR}/ironwood/settings.reg\n")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ironwood)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Ironwood developers")
set(CPACK_PACKAGE_CONTACT "${IRONWOOD_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D space-battle screen saver")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Fleets of starships meet in deep space and fight it out with beams and\n"
       "torpedoes, drawn with OpenGL. It runs full screen on its own or as a display\n"
       "program of XScreenSaver; a settings program chooses the scenarios, the\n"
       "resolution, the sound and the camera.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The programs open OpenAL, EGL, OpenGL, Xlib and XRandR at run time, so the linker's view
# (shlibdeps) only sees the C and C++ runtimes; the rest are named here. GTK 3 and GLib are the
# settings program's.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libopenal1, libgtk-3-0, libglib2.0-0, libegl1, libgl1, libopengl0, libx11-6, libxrandr2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xscreensaver, libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES ON)
include(CPack)
