# The layers of both programs, from the bottom:
#   core     plain C++, no Qt at all: frames, checksums, decoders, table builders,
#            schedules, device models
#   qtcore   Qt Core and Qt SerialPort, no window system: the serial service,
#            links, sessions, procedures, terminal tools
#   widgets  Qt Widgets: windows and dialogs
# A library may use its own layer and those below it, never one above. The build
# enforces it: core libraries see no Qt headers, and every qtcore file finds the
# guard headers in cmake/layer_guards/qtcore before any Qt Gui or Widgets header.

set(CABINET_LAYER_RANK_core 0)
set(CABINET_LAYER_RANK_qtcore 1)
set(CABINET_LAYER_RANK_widgets 2)

#   cabinet_library(<name> <layer> [sources...])
# Sources may be added later with target_sources() from a subsystem folder.
function(cabinet_library name layer)
  if(NOT DEFINED CABINET_LAYER_RANK_${layer})
    message(FATAL_ERROR "${name}: unknown layer '${layer}'")
  endif()
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  set_property(TARGET ${name} PROPERTY CABINET_LAYER ${layer})
  set_property(GLOBAL APPEND PROPERTY CABINET_LIBRARIES ${name})
  if(layer STREQUAL "qtcore")
    target_link_libraries(${name} PUBLIC Qt6::Core Qt6::SerialPort)
    target_include_directories(${name} BEFORE PRIVATE
                               ${PROJECT_SOURCE_DIR}/cmake/layer_guards/qtcore)
  elseif(layer STREQUAL "widgets")
    target_link_libraries(${name} PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets)
  endif()
endfunction()

# An executable of the qtcore layer (simulators, terminal tools): no window system.
function(cabinet_tool name)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} BEFORE PRIVATE ${PROJECT_SOURCE_DIR}/cmake/layer_guards/qtcore)
  set_property(GLOBAL APPEND PROPERTY CABINET_TOOLS ${name})
endfunction()

# Fails the configuration when a library links one of a higher layer, a core
# library links Qt, or a tool links Qt Gui or Widgets.
function(cabinet_check_layers)
  get_property(libraries GLOBAL PROPERTY CABINET_LIBRARIES)
  foreach(lib IN LISTS libraries)
    get_property(layer TARGET ${lib} PROPERTY CABINET_LAYER)
    get_property(deps TARGET ${lib} PROPERTY LINK_LIBRARIES)
    foreach(dep IN LISTS deps)
      if(dep MATCHES "^Qt6::" AND layer STREQUAL "core")
        message(FATAL_ERROR "core library ${lib} links ${dep}")
      endif()
      if(dep MATCHES "^Qt6::(Gui|Widgets)$" AND layer STREQUAL "qtcore")
        message(FATAL_ERROR "qtcore library ${lib} links ${dep}")
      endif()
      if(TARGET ${dep})
        get_property(dep_layer TARGET ${dep} PROPERTY CABINET_LAYER)
        if(dep_layer AND CABINET_LAYER_RANK_${dep_layer} GREATER CABINET_LAYER_RANK_${layer})
          message(FATAL_ERROR "${layer} library ${lib} links ${dep_layer} library ${dep}")
        endif()
      endif()
    endforeach()
  endforeach()
  get_property(tools GLOBAL PROPERTY CABINET_TOOLS)
  foreach(tool IN LISTS tools)
    get_property(deps TARGET ${tool} PROPERTY LINK_LIBRARIES)
    foreach(dep IN LISTS deps)
      if(TARGET ${dep})
        get_property(dep_layer TARGET ${dep} PROPERTY CABINET_LAYER)
        if(dep_layer STREQUAL "widgets")
          message(FATAL_ERROR "tool ${tool} links window library ${dep}")
        endif()
      endif()
    endforeach()
  endforeach()
endfunction()

# Tests are collected per binary so the suite stays a handful of executables:
#   cabinet_add_tests(<binary> [CORE] SOURCES ... LIBS ... [DEPENDS targets...])
# CORE binaries link no Qt and run without a QApplication. DEPENDS names the
# executables a test starts: they are built before the test binary.
function(cabinet_add_tests binary)
  cmake_parse_arguments(ARG "CORE" "" "SOURCES;LIBS;DEPENDS" ${ARGN})
  foreach(src IN LISTS ARG_SOURCES)
    if(NOT IS_ABSOLUTE ${src})
      set(src ${CMAKE_CURRENT_SOURCE_DIR}/${src})
    endif()
    set_property(GLOBAL APPEND PROPERTY CABINET_TESTS_${binary}_SOURCES ${src})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY CABINET_TESTS_${binary}_LIBS ${ARG_LIBS})
  set_property(GLOBAL APPEND PROPERTY CABINET_TESTS_${binary}_DEPENDS ${ARG_DEPENDS})
  if(ARG_CORE)
    set_property(GLOBAL PROPERTY CABINET_TESTS_${binary}_CORE ON)
  endif()
  set_property(GLOBAL APPEND PROPERTY CABINET_TEST_BINARIES ${binary})
endfunction()

function(cabinet_make_test_binaries)
  get_property(binaries GLOBAL PROPERTY CABINET_TEST_BINARIES)
  list(REMOVE_DUPLICATES binaries)
  foreach(binary IN LISTS binaries)
    get_property(srcs GLOBAL PROPERTY CABINET_TESTS_${binary}_SOURCES)
    get_property(libs GLOBAL PROPERTY CABINET_TESTS_${binary}_LIBS)
    get_property(depends GLOBAL PROPERTY CABINET_TESTS_${binary}_DEPENDS)
    get_property(core GLOBAL PROPERTY CABINET_TESTS_${binary}_CORE)
    list(REMOVE_DUPLICATES libs)
    add_executable(${binary} ${srcs})
    # The headers nearly every test file pulls in, parsed once per binary: most of
    # a test file's compile time went into them, twice per CI run.
    if(core)
      target_link_libraries(${binary} PRIVATE ${libs} GTest::gtest GTest::gmock GTest::gtest_main)
      target_precompile_headers(${binary} PRIVATE <gtest/gtest.h> <string> <vector>)
    else()
      target_link_libraries(${binary} PRIVATE ${libs} common_testmain GTest::gtest GTest::gmock
                            Qt6::Test)
      target_precompile_headers(${binary} PRIVATE
        <gtest/gtest.h> <string> <vector> <functional> <memory>
        <QAccessible> <QAction> <QApplication> <QCheckBox> <QDialog> <QDir> <QElapsedTimer>
        <QFile> <QLabel> <QLineEdit> <QMainWindow> <QMenu> <QMenuBar> <QProcess>
        <QPushButton> <QSignalSpy> <QString> <QTemporaryDir> <QTest> <QTimer> <QWidget>)
    endif()
    # GCC (12 and 14 alike) inlines std::string's copies into the tests' string building
    # and then warns about bounds it cannot see (GCC bug 105651); with the standard
    # headers precompiled those warnings are no longer silenced as coming from system
    # headers.
    target_compile_options(${binary} PRIVATE
      "$<$<CXX_COMPILER_ID:GNU>:-Wno-array-bounds;-Wno-stringop-overflow;-Wno-stringop-overread>")
    if(depends)
      list(REMOVE_DUPLICATES depends)
      add_dependencies(${binary} ${depends})
    endif()
    # One CTest entry per test case, found when CTest runs (not at build time,
    # where the sanitizer build would run every binary once more).
    gtest_discover_tests(${binary}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;CABINET_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
        TIMEOUT 120)
  endforeach()
endfunction()

# Tests that the guards hold: each probe is a file of the wrong layer, built on
# demand, and the test passes when the build stops with the guard's error.
function(cabinet_add_layer_probes)
  set(probes
      "core|core_includes_qt.cpp|QString: No such file"
      "qtcore|qtcore_includes_widgets.cpp|Qt Widgets is not available in this layer"
      "qtcore|qtcore_includes_gui.cpp|Qt Gui is not available in this layer")
  foreach(probe IN LISTS probes)
    string(REPLACE "|" ";" parts "${probe}")
    list(GET parts 0 layer)
    list(GET parts 1 source)
    list(GET parts 2 expected)
    get_filename_component(name ${source} NAME_WE)
    cabinet_library(layer_probe_${name} ${layer} ${PROJECT_SOURCE_DIR}/cmake/layer_probes/${source})
    set_target_properties(layer_probe_${name} PROPERTIES EXCLUDE_FROM_ALL TRUE)
    if(layer STREQUAL "core")
      target_link_libraries(layer_probe_${name} PRIVATE common_core)
    else()
      target_link_libraries(layer_probe_${name} PRIVATE common)
    endif()
    add_test(NAME LayerGuard.${name}
             COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target layer_probe_${name})
    set_tests_properties(LayerGuard.${name} PROPERTIES
      PASS_REGULAR_EXPRESSION "${expected}" RESOURCE_LOCK build_tree TIMEOUT 120)
  endforeach()
endfunction()
