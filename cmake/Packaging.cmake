# `cpack -G DEB` in the build folder makes swirlmoss_VERSION_ARCH.deb: the swirlmoss program,
# the plugin in /usr/lib/swirlmoss/plugins, the frei0r module in /usr/lib/frei0r-1 and the OBS
# module in the multiarch obs-plugins/ folder with its data under /usr/share/obs/obs-plugins.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME swirlmoss)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Swirlmoss maintainers <maintainers@swirlmoss.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time GPU video effect: paint and smoke over video")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Animated paint or smoke drawn over video by an OpenGL 4.1 shader.\nThe Swirlmoss effect plugin, the swirlmoss command-line host that renders, inspects and\nbenchmarks it off screen, a frei0r filter that brings it into ffmpeg, MLT (melt,\nKdenlive, Shotcut) and GStreamer, and a video filter for OBS Studio.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_STRIP_FILES ON)
# Libraries linked at build time come from dpkg-shlibdeps; the EGL vendor library and the
# Mesa drivers are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl-mesa0, libgl1-mesa-dri")
# ffmpeg: the CLI's MP4 and GIF output, and the most common frei0r host.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ffmpeg")
# obs-studio: the program that loads the OBS filter.
# pipewire: the daemon that `preview --camera` publishes its picture to.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "melt, gstreamer1.0-plugins-bad, obs-studio, pipewire")
include(CPack)
