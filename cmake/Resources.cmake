# Compiles a folder of resource files (string table, dialog templates, bitmaps, cursors,
# registry scripts) into a C++ source holding them as byte arrays, so a library carries its
# resources inside itself. Layout: <dir>/<TYPE>/<name>.<ext> and <dir>/strings.txt.
function(velk_embed_resources target symbol dir)
  file(GLOB_RECURSE res_files CONFIGURE_DEPENDS "${dir}/*")
  set(out "${CMAKE_BINARY_DIR}/generated/${symbol}_resources.cpp")
  # The list of files is a dependency too, so a file taken away (a stray file removed) makes
  # the resources again, not only a file added or changed.
  set(listing "${CMAKE_BINARY_DIR}/generated/${symbol}_resources.list")
  string(REPLACE ";" "\n" listed "${res_files}")
  file(CONFIGURE OUTPUT "${listing}" CONTENT "${listed}\n")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DDIR=${dir} -DOUT=${out} -DSYMBOL=${symbol}
            -P "${CMAKE_SOURCE_DIR}/cmake/EmbedResources.cmake"
    DEPENDS ${res_files} "${listing}" "${CMAKE_SOURCE_DIR}/cmake/EmbedResources.cmake"
    COMMENT "Embedding resources of ${symbol}")
  target_sources(${target} PRIVATE "${out}")
endfunction()
