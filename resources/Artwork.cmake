# Artwork drawn at build time from the SVG sources, so the program takes ready pixels
# when it starts instead of parsing and drawing vector art (and needs no SVG library nor
# image decoder for it):
#   - the images of the image list at each size the program shows them,
#     ":/images/<name>-<size>.argb";
#   - the decorative picture, ":/images/picture.argb";
#   - the desktop menu's icon, build/icons/hicolor/<size>/apps/ondrevo.{png,svg}, which
#     scripts/install.sh copies into the user's icon theme.
# Included from src/CMakeLists.txt once the ondrevo_app_qt library exists.

set(ONDREVO_ARTWORK_DIR ${PROJECT_SOURCE_DIR}/resources)
add_executable(render_artwork ${ONDREVO_ARTWORK_DIR}/tools/RenderArtwork.cpp)
target_link_libraries(render_artwork PRIVATE Qt6::Gui Qt6::Svg)

set(artwork_dir ${CMAKE_BINARY_DIR}/artwork)
file(MAKE_DIRECTORY ${artwork_dir})
set(picture_pixels ${artwork_dir}/picture.argb)
add_custom_command(
  OUTPUT ${picture_pixels}
  COMMAND render_artwork ${ONDREVO_ARTWORK_DIR}/images/picture.svg ${picture_pixels} 245 172
  DEPENDS render_artwork ${ONDREVO_ARTWORK_DIR}/images/picture.svg
  COMMENT "Drawing the decorative picture"
  VERBATIM)
# What the window shows at start (the picture, the 16-pixel images and every size of the
# window icon) lies together in one resource block; the other larger sizes in another,
# so that reading one file does not bring the pages around it into memory.
set(artwork_files ${picture_pixels})
set(large_artwork_files)

# Sizes as in ImageList: 16 for lists and buttons, the larger ones for the window and tray icons.
set(ONDREVO_IMAGE_SIZES 16 22 24 32 48)
file(GLOB image_sources ${ONDREVO_ARTWORK_DIR}/images/[0-9][0-9]-*.svg)
foreach(svg ${image_sources})
  get_filename_component(name ${svg} NAME_WE)
  set(outputs)
  set(arguments)
  foreach(size ${ONDREVO_IMAGE_SIZES})
    list(APPEND outputs ${artwork_dir}/${name}-${size}.argb)
    list(APPEND arguments ${artwork_dir}/${name}-${size}.argb ${size} ${size})
  endforeach()
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND render_artwork ${svg} ${arguments}
    DEPENDS render_artwork ${svg}
    COMMENT "Drawing ${name}"
    VERBATIM)
  if(name STREQUAL "15-film")
    # The window icon: the window hands every size of it to the desktop when it appears.
    list(APPEND artwork_files ${outputs})
  else()
    list(POP_FRONT outputs small)
    list(APPEND artwork_files ${small})
    list(APPEND large_artwork_files ${outputs})
  endif()
endforeach()
set_source_files_properties(${artwork_files} ${large_artwork_files} PROPERTIES GENERATED TRUE)
# What the window shows at start is stored as it is: the program takes the pixels straight
# from the executable's pages. The rest is compressed, read rarely and unpacked when read;
# small, it leaves few pages for a read nearby to bring into memory.
qt_add_resources(ondrevo_app_qt artwork PREFIX "/images" BASE ${artwork_dir} FILES ${artwork_files}
  OPTIONS --no-compress)
qt_add_resources(ondrevo_app_qt large_artwork PREFIX "/images" BASE ${artwork_dir} FILES ${large_artwork_files}
  OPTIONS --compress-algo zlib --compress 9 --threshold 0)

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
