# Artwork drawn at build time from the SVG sources:
#   - the decorative picture as a PNG in the program's resources (":/images/picture.png");
#   - the desktop menu's icon, build/icons/hicolor/<size>/apps/ondrevo.{png,svg}, which
#     scripts/install.sh copies into the user's icon theme.
# Included from src/CMakeLists.txt once the ondrevo_qt library exists.

set(ONDREVO_ARTWORK_DIR ${PROJECT_SOURCE_DIR}/resources)
add_executable(render_artwork ${ONDREVO_ARTWORK_DIR}/tools/RenderArtwork.cpp)
target_link_libraries(render_artwork PRIVATE Qt6::Gui Qt6::Svg)

set(picture_png ${CMAKE_BINARY_DIR}/artwork/picture.png)
add_custom_command(
  OUTPUT ${picture_png}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/artwork
  COMMAND render_artwork ${ONDREVO_ARTWORK_DIR}/images/picture.svg ${picture_png} 245 172
  DEPENDS render_artwork ${ONDREVO_ARTWORK_DIR}/images/picture.svg
  COMMENT "Drawing the decorative picture"
  VERBATIM)
set_source_files_properties(${picture_png} PROPERTIES GENERATED TRUE)
qt_add_resources(ondrevo_qt artwork PREFIX "/images" BASE ${CMAKE_BINARY_DIR}/artwork FILES ${picture_png})

# The program's icon is image 15 of the image list, the plain film strip.
set(icon_svg ${ONDREVO_ARTWORK_DIR}/images/15-film.svg)
set(icon_root ${CMAKE_BINARY_DIR}/icons/hicolor)
set(icon_outputs ${icon_root}/scalable/apps/ondrevo.svg)
set(icon_arguments)
set(icon_folders ${icon_root}/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND icon_outputs ${icon_root}/${size}x${size}/apps/ondrevo.png)
  list(APPEND icon_arguments ${icon_root}/${size}x${size}/apps/ondrevo.png ${size} ${size})
  list(APPEND icon_folders ${icon_root}/${size}x${size}/apps)
endforeach()
add_custom_command(
  OUTPUT ${icon_outputs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_folders}
  COMMAND render_artwork ${icon_svg} ${icon_arguments}
  COMMAND ${CMAKE_COMMAND} -E copy ${icon_svg} ${icon_root}/scalable/apps/ondrevo.svg
  DEPENDS render_artwork ${icon_svg}
  COMMENT "Drawing the desktop menu's icon"
  VERBATIM)
add_custom_target(desktop_icons ALL DEPENDS ${icon_outputs})
