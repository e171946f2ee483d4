# What `cmake --install` puts where: the programs, the desktop entry and its
# icon, the test plots, the udev rule and the font licences.
include(GNUInstallDirs)

# The desktop application is built only where Qt 6 was found.
if(TARGET vexagrid)
  install(TARGETS vexagrid)
endif()
install(TARGETS vexagrid-cli vexagrid-sim)

install(FILES ${PROJECT_SOURCE_DIR}/resources/vexagrid.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/vexagrid.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/vexagrid.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

# The engine looks for the test plots in the application directory, then here
# (InstalledDataDirectory(), app/CMakeLists.txt).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/TestPlt DESTINATION ${CMAKE_INSTALL_DATADIR}/vexagrid
        FILES_MATCHING PATTERN "*.plt")

# Lets a non-root user open the controller. udev reads /usr/lib/udev/rules.d
# and /etc/udev/rules.d, not /usr/local: a /usr/local install sets this to
# /etc/udev/rules.d.
set(VEXA_UDEV_RULES_DIR "lib/udev/rules.d" CACHE PATH "Where the udev rule for the controller is installed")
install(FILES ${PROJECT_SOURCE_DIR}/resources/60-vexagrid.rules DESTINATION ${VEXA_UDEV_RULES_DIR})

# The stroke fonts are built into the programs; their licences go with them.
install(FILES ${PROJECT_SOURCE_DIR}/resources/fonts/ARPHICPL.TXT ${PROJECT_SOURCE_DIR}/resources/fonts/LICENSE-hershey.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vexagrid)

# Running from the build tree: the test plots beside the desktop application,
# for an application directory that is the executable's own.
if(TARGET vexagrid)
  file(GLOB vexa_test_plots CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/TestPlt/*.plt)
  set(vexa_test_plot_copies)
  foreach(plot IN LISTS vexa_test_plots)
    get_filename_component(name ${plot} NAME)
    set(copy ${PROJECT_BINARY_DIR}/ui/TestPlt/${name})
    add_custom_command(OUTPUT ${copy} COMMAND ${CMAKE_COMMAND} -E copy_if_different ${plot} ${copy}
                       DEPENDS ${plot} VERBATIM)
    list(APPEND vexa_test_plot_copies ${copy})
  endforeach()
  add_custom_target(test_plots ALL DEPENDS ${vexa_test_plot_copies})
endif()
