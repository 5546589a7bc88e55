# kv_library(<target> [NOQT | QTGUI | PRIVATE_WIDGETS] [DEPS <targets>...])
#   A static library from every *.cpp of the calling folder and its sub-folders,
#   except tests/ and testsupport/ (what the suites share). Headers are included as "folder/name.h" from the source root.
#   Qt Core, Gui, Widgets and Print Support by default; NOQT: standard C++ only;
#   QTGUI: Qt Core/Gui only, so a widget include there is a compile error;
#   PRIVATE_WIDGETS: widgets inside, but only Core/Gui reach the users (a library
#   whose headers show no widgets, so Core/Gui libraries may depend on it).
function(kv_library target)
  cmake_parse_arguments(ARG "NOQT;QTGUI;PRIVATE_WIDGETS" "" "DEPS;SOURCES_EXCLUDE" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  list(FILTER srcs EXCLUDE REGEX "/tests/")
  list(FILTER srcs EXCLUDE REGEX "/testsupport/")
  list(FILTER srcs EXCLUDE REGEX "/tools/")
  foreach(ex IN LISTS ARG_SOURCES_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${ex}")
  endforeach()
  add_library(${target} STATIC ${srcs})
  target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
  if(NOT ARG_NOQT)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
    target_link_libraries(${target} PUBLIC Qt6::Core Qt6::Gui)
    if(ARG_PRIVATE_WIDGETS)
      target_link_libraries(${target} PRIVATE Qt6::Widgets Qt6::PrintSupport)
    elseif(NOT ARG_QTGUI)
      target_link_libraries(${target} PUBLIC Qt6::Widgets Qt6::PrintSupport)
    endif()
  endif()
  if(ARG_DEPS)
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# kv_tests(<target> [GUI] [DEPS <targets>...])
#   One test executable from every *.cpp in tests/ of the calling folder.
#   GUI tests get a QApplication on the offscreen platform and the project's fonts.
function(kv_tests target)
  cmake_parse_arguments(ARG "GUI" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/tests/*.h")
  add_executable(${target} ${srcs})
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock)
  if(ARG_GUI)
    target_link_libraries(${target} PRIVATE kv_testmain_gui Qt6::Test Qt6::Widgets Qt6::PrintSupport)
  else()
    target_link_libraries(${target} PRIVATE kv_testmain)
  endif()
  target_compile_options(${target} PRIVATE
    -include "${PROJECT_SOURCE_DIR}/platform/testsupport/qt_printers.h")
  target_compile_definitions(${target} PRIVATE
    KV_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/tests/data"
    KV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(KV_FUZZ)
    # A fuzz build makes the harnesses; the suites still build on request.
    set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
  endif()
  add_test(NAME ${target} COMMAND ${target})
  set_tests_properties(${target} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;FONTCONFIG_FILE=${PROJECT_SOURCE_DIR}/platform/testsupport/fonts.conf;LC_ALL=C.UTF-8"
    TIMEOUT 900)
endfunction()
