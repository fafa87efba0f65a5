# Global hot keys. A target of its own, apart from vpo_platform:
# the X11 backend needs xcb, which the Windows cross build does not have,
# and only the GUI uses hot keys.
if(VPO_BUILD_GUI OR WIN32)
  add_library(vpo_hotkeys STATIC global_hotkeys.h)
  target_include_directories(vpo_hotkeys PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
  vpo_warnings(vpo_hotkeys)
  if(WIN32)
    target_sources(vpo_hotkeys PRIVATE global_hotkeys_win.cpp)
    target_link_libraries(vpo_hotkeys PRIVATE user32)
  else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(VPO_XCB REQUIRED IMPORTED_TARGET GLOBAL xcb xcb-keysyms)
    target_sources(vpo_hotkeys PRIVATE global_hotkeys_linux.cpp)
    target_link_libraries(vpo_hotkeys PUBLIC PkgConfig::VPO_XCB)
  endif()
endif()
