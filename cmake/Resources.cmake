# Compiles a folder of resource files (string table, dialog templates, bitmaps, cursors,
# registry scripts) into a C++ source holding them as byte arrays, so a library carries its
# resources inside itself. Layout: <dir>/<TYPE>/<name>.<ext> and <dir>/strings.txt.
function(velk_embed_resources target symbol dir)
  file(GLOB_RECURSE res_files CONFIGURE_DEPENDS "${dir}/*")
  set(out "${CMAKE_BINARY_DIR}/generated/${symbol}_resources.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DDIR=${dir} -DOUT=${out} -DSYMBOL=${symbol}
            -P "${CMAKE_SOURCE_DIR}/cmake/EmbedResources.cmake"
    DEPENDS ${res_files} "${CMAKE_SOURCE_DIR}/cmake/EmbedResources.cmake"
    COMMENT "Embedding resources of ${symbol}")
  target_sources(${target} PRIVATE "${out}")
endfunction()
