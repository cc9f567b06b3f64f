# `cpack -G DEB` in the build folder makes four packages, so that a user installs only what they
# asked for:
#   swirlmoss            the swirlmoss program, the plugin in /usr/lib/swirlmoss/plugins, the
#                        frei0r module in /usr/lib/frei0r-1 (ffmpeg, MLT, GStreamer), the editors'
#                        descriptions, the looks, the manual page and the completion;
#   swirlmoss-preview    the preview window's module in /usr/lib/swirlmoss, with the libraries
#                        only it needs (GLFW, liblo, RtMidi with ALSA and JACK, PipeWire);
#   swirlmoss-obs        the OBS module in the multiarch obs-plugins/ folder with its data under
#                        /usr/share/obs/obs-plugins: GPL, the one part that needs libobs;
#   swirlmoss-gstreamer  the GStreamer GL element, which needs GStreamer's GL library.
# The last three depend on the swirlmoss package of the same version (the program, the plugin).
# A package is built on a Debian release for that release (its dependencies are that
# release's libraries), and its version says which: 1.0.0+deb12, 1.0.0+deb13.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL main preview obs gstreamer)
set(CPACK_PACKAGE_NAME swirlmoss)
set(CPACK_PACKAGE_CONTACT "Swirlmoss maintainers <maintainers@swirlmoss.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time GPU video effect: paint and smoke over video")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_STRIP_FILES ON)

# The release this build is for, from the system it is built on.
set(_release_suffix "")
if(EXISTS /etc/os-release)
  file(STRINGS /etc/os-release _os_id REGEX "^ID=")
  file(STRINGS /etc/os-release _os_version REGEX "^VERSION_ID=")
  string(REGEX REPLACE "^VERSION_ID=\"?([0-9]+).*" "\\1" _os_version "${_os_version}")
  if(_os_id STREQUAL "ID=debian" AND _os_version MATCHES "^[0-9]+$")
    set(_release_suffix "+deb${_os_version}")
  endif()
endif()
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}${_release_suffix})
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION}${_release_suffix})

# Libraries linked at build time come from dpkg-shlibdeps, for each package its own.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_MAIN_PACKAGE_NAME swirlmoss)
set(CPACK_DEBIAN_MAIN_DESCRIPTION
  "real-time GPU video effect: paint and smoke over video\nAnimated paint or smoke drawn over video by an OpenGL 4.1 shader.\nThe Swirlmoss effect plugin, the swirlmoss command-line host that renders, previews,\ninspects and benchmarks it, and a frei0r filter that brings it into ffmpeg, MLT (melt,\nKdenlive, Shotcut) and GStreamer. The live preview window (swirlmoss preview) is in\nswirlmoss-preview, the OBS Studio filter in swirlmoss-obs and the GStreamer GL element\nin swirlmoss-gstreamer.")
# The EGL vendor library and the Mesa drivers are loaded at run time, so they are named here.
set(CPACK_DEBIAN_MAIN_PACKAGE_DEPENDS "libegl-mesa0, libgl1-mesa-dri")
# ffmpeg: the CLI's MP4 and GIF output, and the most common frei0r host.
set(CPACK_DEBIAN_MAIN_PACKAGE_RECOMMENDS "ffmpeg")
set(CPACK_DEBIAN_MAIN_PACKAGE_SUGGESTS "swirlmoss-preview, melt, gstreamer1.0-plugins-bad, swirlmoss-obs, swirlmoss-gstreamer")

set(CPACK_DEBIAN_PREVIEW_PACKAGE_NAME swirlmoss-preview)
set(CPACK_DEBIAN_PREVIEW_DESCRIPTION
  "Swirlmoss live preview window\nThe window that the command swirlmoss preview opens: the Swirlmoss effect (animated paint or\nsmoke drawn over video by an OpenGL 4.1 shader) playing live beside the controls a\nhost builds from the plugin's answers, played by OSC and MIDI controllers, and its\npicture published as a PipeWire camera.")
set(CPACK_DEBIAN_PREVIEW_PACKAGE_DEPENDS "swirlmoss (= ${CPACK_DEBIAN_PACKAGE_VERSION})")
# pipewire: the daemon that `preview --camera` publishes its picture to.
set(CPACK_DEBIAN_PREVIEW_PACKAGE_RECOMMENDS "pipewire")

set(CPACK_DEBIAN_OBS_PACKAGE_NAME swirlmoss-obs)
set(CPACK_DEBIAN_OBS_DESCRIPTION
  "Swirlmoss video filter for OBS Studio\nThe Swirlmoss effect (animated paint or smoke drawn over video by an OpenGL 4.1\nshader) as a video filter of OBS Studio's sources. It runs the plugin of the\nswirlmoss package inside OBS's own OpenGL context.")
set(CPACK_DEBIAN_OBS_PACKAGE_DEPENDS "swirlmoss (= ${CPACK_DEBIAN_PACKAGE_VERSION})")
set(CPACK_DEBIAN_OBS_PACKAGE_ENHANCES "obs-studio")

set(CPACK_DEBIAN_GSTREAMER_PACKAGE_NAME swirlmoss-gstreamer)
set(CPACK_DEBIAN_GSTREAMER_DESCRIPTION
  "Swirlmoss GStreamer GL element\nThe Swirlmoss effect (animated paint or smoke drawn over video by an OpenGL 4.1\nshader) as swirlmossgl, a GStreamer element whose frames stay in GL textures from\nglupload to the sink. It runs the plugin of the swirlmoss package.")
set(CPACK_DEBIAN_GSTREAMER_PACKAGE_DEPENDS "swirlmoss (= ${CPACK_DEBIAN_PACKAGE_VERSION})")
set(CPACK_DEBIAN_GSTREAMER_PACKAGE_RECOMMENDS "gstreamer1.0-gl")
include(CPack)
