# quillmere_install_gzipped(<file>[.in] <destination>)
# Installs a file gzipped, as Debian keeps man pages and changelogs. A file
# named *.in has its @VARIABLES@ (the version, the release date) filled in
# first. gzip -n leaves out the name and time stamp, so the same text always
# makes the same bytes.
function(quillmere_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  string(REGEX REPLACE "\\.in$" "" name ${name})
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/${name})
  configure_file(${source} ${copy} @ONLY)
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND gzip -9 -n -k -f ${copy}
    DEPENDS ${copy}
    COMMENT "Compressing ${name}"
    VERBATIM)
  add_custom_target(gzip-${name} ALL DEPENDS ${copy}.gz)
  install(FILES ${copy}.gz DESTINATION ${destination})
endfunction()
