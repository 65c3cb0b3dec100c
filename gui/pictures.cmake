# The program's pictures: SVG sources in resources/images turned into the PNG files the windows
# name (":/main/...", ":/pdlg_...", ":/ddlg_..."), embedded through a generated .qrc.
# gui_pictures_cpp is set to the rcc output that the gui library compiles.
find_program(RSVG_CONVERT rsvg-convert)
if(NOT RSVG_CONVERT)
  message(FATAL_ERROR "zygui's pictures need rsvg-convert (Debian: librsvg2-bin)")
endif()

set(images ${PROJECT_SOURCE_DIR}/resources/images)
set(pictures_dir ${CMAKE_CURRENT_BINARY_DIR}/pictures)
set(picture_files "")
set(picture_qrc_entries "")

# picture(<path in the resources> <svg> <width> <height>)
function(picture alias svg width height)
  set(png ${pictures_dir}/${alias})
  add_custom_command(OUTPUT ${png}
                     COMMAND ${RSVG_CONVERT} -w ${width} -h ${height} -o ${png} ${svg}
                     DEPENDS ${svg} VERBATIM)
  set(picture_files ${picture_files} ${png} PARENT_SCOPE)
  set(picture_qrc_entries "${picture_qrc_entries}    <file>${alias}</file>\n" PARENT_SCOPE)
endfunction()

# Icons of the menus and tool bar: drawn on a 24 grid, made at the largest tool-bar size so
# that no size is scaled up.
foreach(name files device volume clean trash page close shield deelevate log tools help facebook twitter
             updates about)
  picture(main/menu_${name}.png ${images}/menu_${name}.svg 48 48)
endforeach()
foreach(name speed_max speed_med speed_slow)
  picture(main/${name}.png ${images}/${name}.svg 24 24)
endforeach()
foreach(name zyicon zyadmin shield_left shield_right state_default_lbk state_default_dbk usb64_lbk usb64_dbk
             state_check state_error state_pause state_warning sd_none sd_logoff sd_pwroff)
  picture(main/${name}.png ${images}/${name}.svg 64 64)
endforeach()
picture(main/about_bkgd.png ${images}/about_bkgd.svg 900 600)
foreach(name pdlg_left_arrow pdlg_right_arrow pdlg_up_arrow pdlg_my_pc pdlg_home_folder pdlg_icon_view
             ddlg_icon_view)
  picture(${name}.png ${images}/${name}.svg 24 24)
endforeach()
foreach(name ddlg_removable ddlg_remote ddlg_rom ddlg_fixed ddlg_winsys ddlg_win_trash_full ddlg_win_trash_empty)
  picture(${name}.png ${images}/${name}.svg 64 64)
endforeach()

# Animation frames from one template each: @FRAME_...@ values per frame.
set(frames_dir ${CMAKE_CURRENT_BINARY_DIR}/frames)
foreach(FRAME RANGE 7)
  math(EXPR FRAME_Y "12 + ${FRAME} * 6")  # scan bar going down the page
  math(EXPR FRAME_BAR "${FRAME_Y} - 2")
  configure_file(${images}/frames/files_idx.svg.in ${frames_dir}/files_idx${FRAME}.svg @ONLY)
  math(EXPR FRAME_A "${FRAME} * 7 - 24")  # head angle
  configure_file(${images}/frames/device_idx.svg.in ${frames_dir}/device_idx${FRAME}.svg @ONLY)
  math(EXPR FRAME_Y "54 - ${FRAME} * 5")  # overwritten level
  configure_file(${images}/frames/volume_idx.svg.in ${frames_dir}/volume_idx${FRAME}.svg @ONLY)
  if(FRAME LESS 4)
    math(EXPR FRAME_A "${FRAME} * 7")  # lid lifting
  else()
    set(FRAME_A 28)
  endif()
  if(FRAME LESS 2)
    set(FRAME_Y -20)
  else()
    math(EXPR FRAME_Y "${FRAME} * 7 - 32")  # page dropping in
  endif()
  configure_file(${images}/frames/trash_idx.svg.in ${frames_dir}/trash_idx${FRAME}.svg @ONLY)
  foreach(kind files device volume trash)
    picture(main/${kind}_idx${FRAME}.png ${frames_dir}/${kind}_idx${FRAME}.svg 64 64)
  endforeach()
endforeach()
set(FRAME_STYLE "")
foreach(FRAME RANGE 15)
  if(FRAME EQUAL 0)
    set(FRAME_STYLE "#b0")
  else()
    string(APPEND FRAME_STYLE ", #b${FRAME}")  # one more block filled
  endif()
  configure_file(${images}/frames/clean_idx.svg.in ${frames_dir}/clean_idx${FRAME}.svg @ONLY)
  picture(main/clean_idx${FRAME}.png ${frames_dir}/clean_idx${FRAME}.svg 64 64)
endforeach()

file(WRITE ${pictures_dir}/pictures.qrc.new "<RCC>\n  <qresource prefix=\"/\">\n${picture_qrc_entries}  </qresource>\n</RCC>\n")
configure_file(${pictures_dir}/pictures.qrc.new ${pictures_dir}/pictures.qrc COPYONLY)
set(gui_pictures_cpp ${CMAKE_CURRENT_BINARY_DIR}/qrc_pictures.cpp)
add_custom_command(OUTPUT ${gui_pictures_cpp}
                   COMMAND Qt5::rcc --name pictures -o ${gui_pictures_cpp} ${pictures_dir}/pictures.qrc
                   DEPENDS ${pictures_dir}/pictures.qrc ${picture_files} VERBATIM)
