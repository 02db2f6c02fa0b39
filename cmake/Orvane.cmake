# Shared build helpers.

# Warnings for our own code.
function(orvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# add_subdirectory for folders that may not exist yet in every checkout.
macro(orvane_optional_subdirectory dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endmacro()

# An engine library: plain C++ with QtCore/QtGui, no widgets.
#   orvane_add_engine(orvane_table SOURCES a.cpp b.cpp LIBS Qt6::Core)
function(orvane_add_engine name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  orvane_warnings(${name})
endfunction()

# A GoogleTest executable registered with ctest. Every test runs offscreen,
# with SDL's dummy audio driver and with networking kept on loopback.
#   orvane_add_test(table_tests SOURCES t.cpp LIBS orvane_table)
# APP: a window test, with the program's application object and the
# root-folder fixture (tests/support/app).
function(orvane_add_test name)
  cmake_parse_arguments(ARG "APP;XVFB" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  foreach(src ${ARG_SOURCES})
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${src} AND NOT EXISTS ${src})
      message(WARNING "${name}: ${src} does not exist; the test is left out")
      return()
    endif()
  endforeach()
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_APP)
    target_link_libraries(${name} PRIVATE orvane_test_app ${ARG_LIBS})
  else()
    target_link_libraries(${name} PRIVATE orvane_test_support ${ARG_LIBS})
  endif()
  orvane_warnings(${name})
  set(platform offscreen)
  if(ARG_XVFB)
    # Screenshot tests: a real X server, as a person would see the windows.
    set(platform xcb)
    add_test(NAME ${name} COMMAND xvfb-run -a -s "-screen 0 1280x900x24" $<TARGET_FILE:${name}> --gtest_color=no)
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=${platform};SDL_AUDIODRIVER=dummy;SDL_VIDEODRIVER=dummy;ORVANE_LAN_SCOPE=loopback;no_proxy=*;NO_PROXY=*;http_proxy=;https_proxy=;ORVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# Adds the window sources of a subsystem folder to orvane_gui, with the
# headers beside them so that moc sees their Q_OBJECT classes.
#   orvane_gui_sources(TOrvane1.cpp widgets/ImageControl.cpp)
function(orvane_gui_sources)
  set(all)
  foreach(src ${ARGN})
    list(APPEND all ${CMAKE_CURRENT_SOURCE_DIR}/${src})
    get_filename_component(dir ${src} DIRECTORY)
    get_filename_component(base ${src} NAME_WE)
    if(dir)
      set(header ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/${base}.h)
    else()
      set(header ${CMAKE_CURRENT_SOURCE_DIR}/${base}.h)
    endif()
    if(EXISTS ${header})
      list(APPEND all ${header})
    endif()
  endforeach()
  target_sources(orvane_gui PRIVATE ${all})
endfunction()
