# Debian packages: the program with its desktop integration, and one package per file-manager
# plug-in, so that installing the program never pulls in a file manager.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brindlepath)
set(CPACK_PACKAGE_VENDOR Quenmoor)
set(CPACK_PACKAGE_CONTACT "Quenmoor <brindlepath@quenmoor.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package gives its own synopsis as the first line of its description. CPackDeb puts the
# common summary in front of it unless the summary is CPack's own default.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
# Installed through DESTDIR with the prefix /usr, whatever this build was configured with: the
# install rules see the real prefix (the D-Bus service file names the program's path).
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL brindlepath)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_BRINDLEPATH_PACKAGE_NAME brindlepath)
set(CPACK_DEBIAN_BRINDLEPATH_DESCRIPTION
    "numbered project folders for photo and video
Brindlepath creates a complete, numbered project folder structure for one
project or a batch, from built-in or saved templates, and sorts the loose
files of the target folder into the new project, with undo. It lives in the
system tray and has a command line.")
# Stock GNOME shows no tray icons without this extension. Only suggested: it depends on
# gnome-shell, which a recommendation would pull onto every other desktop.
set(CPACK_DEBIAN_BRINDLEPATH_PACKAGE_SUGGESTS gnome-shell-extension-appindicator)
# Without it Qt's stock dialogs (folder chooser, import, export) stay English.
set(CPACK_DEBIAN_BRINDLEPATH_PACKAGE_RECOMMENDS qt6-translations-l10n)
# The icon cache and the desktop database follow file triggers on these folders; naming them
# here makes the refresh explicit also for installs that bypass the usual paths.
configure_file(${CMAKE_SOURCE_DIR}/data/deb/triggers ${CMAKE_BINARY_DIR}/deb/brindlepath/triggers
               COPYONLY)
set(CPACK_DEBIAN_BRINDLEPATH_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/deb/brindlepath/triggers)

# Only plug-ins that this build made become packages: their components exist once every
# install rule is known, so this file is included last.
get_cmake_property(bpComponents COMPONENTS)
set(bpFileManagers nautilus nemo caja)
foreach(fileManager IN LISTS bpFileManagers)
    if(NOT fileManager IN_LIST bpComponents)
        continue()
    endif()
    string(TOUPPER ${fileManager} upper)
    list(APPEND CPACK_COMPONENTS_ALL ${fileManager})
    set(CPACK_DEBIAN_${upper}_PACKAGE_NAME brindlepath-${fileManager})
    set(CPACK_DEBIAN_${upper}_PACKAGE_DEPENDS "brindlepath (= ${PROJECT_VERSION}), ${fileManager}")
    set(CPACK_DEBIAN_${upper}_PACKAGE_SECTION gnome)
    install(FILES ${BP_DEB_DOC_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brindlepath-${fileManager}
            COMPONENT ${fileManager})
    set(CPACK_DEBIAN_${upper}_DESCRIPTION
        "Brindlepath entry in the ${fileManager} context menu
Adds Create Project Structure with Brindlepath to the context menu of
folders in ${fileManager}. The entry opens the project setup window of
Brindlepath on the folder.")
endforeach()

include(CPack)
