# Builders for the per-module-code targets.

set(DRV_SYSTEM_LIBS kernel32 user32 gdi32 advapi32 shell32 winspool version ole32 oleaut32 uuid psapi)

# The model data and settings library, compiled into both libraries. VARIANT is UI or UM;
# the rendering library's variant (UM) leaves out what only the user-interface library needs.
function(drv_add_common code variant)
  set(name common_${code}_${variant})
  if(variant STREQUAL "UI")
    add_library(${name} STATIC ${DRV_COMMON_SOURCES} ${DRV_COMMON_UI_EXTRA_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/UI/frame ${CMAKE_SOURCE_DIR}/UI/toolkit)
  else()
    add_library(${name} STATIC ${DRV_COMMON_SOURCES} ${DRV_COMMON_UM_EXTRA_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/GDIUM)
  endif()
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/common ${CMAKE_SOURCE_DIR}/platform/include)
  target_compile_definitions(${name} PUBLIC DRV_MODULE_CODE=${code})
  if(variant STREQUAL "UM")
    target_compile_definitions(${name} PUBLIC DRV_BUILD_UM=1 _WIN32_WINNT=0x0501 WINVER=0x0501)
  else()
    target_compile_definitions(${name} PUBLIC DRV_BUILD_UI=1 _WIN32_WINNT=0x0600 WINVER=0x0600)
  endif()
  target_link_libraries(${name} PUBLIC drv_flags ${DRV_SYSTEM_LIBS})
endfunction()

# Links a library from its sources with the whole of its common variant, names it
# CODE_SUFFIX.DLL and stages it in the driver folder. Further link inputs (LINK) come first on
# the link line, ahead of the system libraries; OUTDIR puts the library elsewhere, unstaged.
function(drv_add_driver_dll code suffix variant deftemplate)
  cmake_parse_arguments(D "" "TARGET;OUTDIR" "SOURCES;LINK" ${ARGN})
  set(name ${code}_${suffix})
  if(D_TARGET)
    set(target ${D_TARGET})
  else()
    set(target ${name})
  endif()
  set(MODULE_CODE ${code})
  configure_file(${deftemplate} ${CMAKE_BINARY_DIR}/def/${name}.def @ONLY)
  add_library(${target} SHARED ${D_SOURCES} ${CMAKE_BINARY_DIR}/def/${name}.def)
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX ".DLL" OUTPUT_NAME ${name})
  target_link_libraries(${target} PRIVATE ${D_LINK}
                        -Wl,--whole-archive common_${code}_${variant} -Wl,--no-whole-archive
                        common_${code}_${variant})
  if(D_OUTDIR)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${D_OUTDIR}
                          ARCHIVE_OUTPUT_DIRECTORY ${D_OUTDIR}/lib)
  else()
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory ${DRV_STAGE_DIR}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${DRV_STAGE_DIR}/)
  endif()
endfunction()

function(drv_add_ui_library code)
  drv_add_driver_dll(${code} UI UI ${CMAKE_SOURCE_DIR}/UI/frame/ui.def.in SOURCES ${DRV_UI_SOURCES})
endfunction()

# The rendering library's code apart from its entry point, for the library and its tests.
function(drv_add_render_objects code)
  add_library(render_${code} STATIC ${DRV_RENDER_SOURCES})
  target_include_directories(render_${code} PUBLIC ${CMAKE_SOURCE_DIR}/GDIUM)
  target_link_libraries(render_${code} PUBLIC common_${code}_UM)
endfunction()

# The rendering library, twice: CODE_UM links the engine services against our engine's DLL
# (DRVENG.DLL, which the host's programs load from their own folder); this is the library that
# runs and is tested here. The shipped
# library (shipped/CODE_UM.DLL) links them against gdi32.dll, as every user-mode printer driver
# does. Nothing else differs.
function(drv_add_um_library code)
  drv_add_driver_dll(${code} UM UM ${CMAKE_SOURCE_DIR}/GDIUM/um.def.in SOURCES ${DRV_UM_SOURCES}
                     LINK -Wl,--whole-archive render_${code} -Wl,--no-whole-archive drveng)
  drv_add_driver_dll(${code} UM UM ${CMAKE_SOURCE_DIR}/GDIUM/um.def.in SOURCES ${DRV_UM_SOURCES}
                     TARGET ${code}_UM_shipped OUTDIR ${CMAKE_BINARY_DIR}/shipped
                     LINK -Wl,--whole-archive render_${code} -Wl,--no-whole-archive engine_gdi32_imports)
endfunction()

# A resource-only library (no code, no entry point) built from one .rc file, written as
# OUTDIR/OUTNAME.
function(drv_add_resource_library target rcfile outdir outname)
  add_library(${target} SHARED ${rcfile})
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C PREFIX "" SUFFIX ""
                        OUTPUT_NAME ${outname} ARCHIVE_OUTPUT_NAME ${target}
                        RUNTIME_OUTPUT_DIRECTORY ${outdir})
  target_link_options(${target} PRIVATE -nostdlib -Wl,--entry=0 -Wl,--no-insert-timestamp)
endfunction()

# Bitmaps of a resource library written from a text description by tools/pictures: a target
# that makes OUTDIR/pictures.rc (and the bitmaps beside it), whose path goes to RCVAR. The .rc is
# added to a resource library with target_sources and the target as a dependency.
find_program(DRV_PYTHON3 python3 REQUIRED)
function(drv_add_pictures target description outdir rcvar)
  set(rc ${outdir}/pictures.rc)
  add_custom_command(OUTPUT ${rc}
    COMMAND ${DRV_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/pictures/make_pictures.py ${description} ${outdir} ${rc}
    DEPENDS ${description} ${CMAKE_SOURCE_DIR}/tools/pictures/make_pictures.py
    COMMENT "Writing the bitmaps of ${description}"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${rc})
  set(${rcvar} ${rc} PARENT_SCOPE)
endfunction()
