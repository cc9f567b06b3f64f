# The manual page (swirlmoss.1, with help2man) and the bash completion (swirlmoss), both made
# from the built program's own --help, so neither can drift from the options it takes. Both
# run the program at build time, which a cross build cannot.
if(CMAKE_CROSSCOMPILING)
  return()
endif()
set(_manual_dir ${PROJECT_BINARY_DIR}/manual)
set(_completion ${_manual_dir}/swirlmoss)
set(_scripts ${CMAKE_CURRENT_LIST_DIR}/help_outline.sh)
add_custom_command(OUTPUT ${_completion}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_manual_dir}
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/completion.sh $<TARGET_FILE:swirlmoss> ${_completion}
  DEPENDS swirlmoss ${_scripts} ${CMAKE_CURRENT_LIST_DIR}/completion.sh
  COMMENT "Bash completion from swirlmoss --help"
  VERBATIM)
set(_manual_outputs ${_completion})
install(FILES ${_completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
set_property(GLOBAL PROPERTY SWIRLMOSS_BASH_COMPLETION ${_completion})

find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(_page ${_manual_dir}/swirlmoss.1)
  # Installed compressed, as Debian keeps its manual pages.
  add_custom_command(OUTPUT ${_page} ${_page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_manual_dir}
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/manpage.sh $<TARGET_FILE:swirlmoss> ${_page}
    COMMAND sh -c "gzip -9n -c ${_page} > ${_page}.gz"
    DEPENDS swirlmoss ${_scripts} ${CMAKE_CURRENT_LIST_DIR}/manpage.sh ${CMAKE_CURRENT_LIST_DIR}/swirlmoss.h2m
    COMMENT "Manual page from swirlmoss --help"
    VERBATIM)
  list(APPEND _manual_outputs ${_page})
  install(FILES ${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set_property(GLOBAL PROPERTY SWIRLMOSS_MANUAL_PAGE ${_page})
else()
  message(WARNING "help2man not found: the manual page is not built (scripts/setup.sh installs it)")
endif()
add_custom_target(swirlmoss_manual ALL DEPENDS ${_manual_outputs})
