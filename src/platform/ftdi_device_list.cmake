# The FTDI device list: ftd2xx.dll on Windows, sysfs through libudev on Linux.
if(WIN32)
  target_sources(vpo_platform PRIVATE ftdi_device_list.h ftdi_device_list_win.cpp)

  # ftd2xx.dll is bound at load time by export ordinal, through an import
  # library made here from a module definition, so the build needs neither
  # the vendor's import library nor its headers. 32-bit __stdcall symbols
  # carry their argument size ("@4"); 64-bit ones are plain.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(VPO_FTD2XX_CREATE FT_CreateDeviceInfoList@4)
    set(VPO_FTD2XX_GET FT_GetDeviceInfoList@8)
  else()
    set(VPO_FTD2XX_CREATE FT_CreateDeviceInfoList)
    set(VPO_FTD2XX_GET FT_GetDeviceInfoList)
  endif()
  set(vpo_ftd2xx_def ${CMAKE_CURRENT_BINARY_DIR}/ftd2xx.def)
  file(CONFIGURE OUTPUT ${vpo_ftd2xx_def} CONTENT [[
LIBRARY ftd2xx.dll
EXPORTS
  @VPO_FTD2XX_CREATE@ @70 NONAME
  @VPO_FTD2XX_GET@ @71 NONAME
]] @ONLY)

  if(MSVC)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(vpo_machine X86)
    else()
      set(vpo_machine X64)
    endif()
    set(vpo_ftd2xx_implib ${CMAKE_CURRENT_BINARY_DIR}/ftd2xx_ordinals.lib)
    add_custom_command(OUTPUT ${vpo_ftd2xx_implib}
      COMMAND ${CMAKE_AR} /nologo /def:${vpo_ftd2xx_def} /out:${vpo_ftd2xx_implib} /machine:${vpo_machine}
      DEPENDS ${vpo_ftd2xx_def}
      COMMENT "Import library for ftd2xx.dll (by ordinal)")
  else()
    if(NOT CMAKE_DLLTOOL)
      get_filename_component(vpo_cxx_name ${CMAKE_CXX_COMPILER} NAME)
      string(REGEX REPLACE "g\\+\\+.*$|c\\+\\+.*$|clang\\+\\+.*$" "" vpo_tool_prefix "${vpo_cxx_name}")
      find_program(CMAKE_DLLTOOL NAMES ${vpo_tool_prefix}dlltool dlltool REQUIRED)
    endif()
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(vpo_machine i386)
    else()
      set(vpo_machine i386:x86-64)
    endif()
    set(vpo_ftd2xx_implib ${CMAKE_CURRENT_BINARY_DIR}/libftd2xx_ordinals.a)
    add_custom_command(OUTPUT ${vpo_ftd2xx_implib}
      COMMAND ${CMAKE_DLLTOOL} -m ${vpo_machine} -d ${vpo_ftd2xx_def} -l ${vpo_ftd2xx_implib}
      DEPENDS ${vpo_ftd2xx_def}
      COMMENT "Import library for ftd2xx.dll (by ordinal)")
  endif()
  add_custom_target(vpo_ftd2xx_implib DEPENDS ${vpo_ftd2xx_implib})
  add_dependencies(vpo_platform vpo_ftd2xx_implib)
  target_link_libraries(vpo_platform PUBLIC ${vpo_ftd2xx_implib})
else()
  find_package(PkgConfig REQUIRED)
  if(NOT TARGET PkgConfig::UDEV)
    pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)
  endif()
  target_sources(vpo_platform PRIVATE ftdi_device_list.h ftdi_device_list_linux.cpp)
  target_link_libraries(vpo_platform PRIVATE PkgConfig::UDEV)
endif()
