# The HID support library, loaded at run time (never a load-time dependency).
if(WIN32)
  target_sources(vpo_platform PRIVATE hid_library.h hid_library_win.cpp)
  target_link_libraries(vpo_platform PUBLIC setupapi)
else()
  target_sources(vpo_platform PRIVATE hid_library.h hid_library_linux.cpp)
  target_link_libraries(vpo_platform PUBLIC ${CMAKE_DL_LIBS})
endif()
