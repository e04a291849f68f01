# Precompiled headers. Qt's and GoogleTest's headers are parsed once per build, not once per
# source file: each kind of target (Qt's widgets, with or without GoogleTest; Qt's core alone;
# GoogleTest alone) reuses the header precompiled by a small library of that kind, built with
# the same flags.
#
# Call merrowby_precompile_headers() once, after every target is defined.
option(MERROWBY_PCH "Precompile Qt's and GoogleTest's headers" ON)

set(MERROWBY_PCH_STD
  <algorithm> <array> <chrono> <cstdint> <functional> <map> <memory> <optional> <string>
  <string_view> <utility> <vector>)
set(MERROWBY_PCH_QT_CORE
  <QtCore/QByteArray> <QtCore/QCoreApplication> <QtCore/QDateTime> <QtCore/QDir>
  <QtCore/QEvent> <QtCore/QFile> <QtCore/QFileInfo> <QtCore/QJsonArray> <QtCore/QJsonDocument>
  <QtCore/QJsonObject> <QtCore/QList> <QtCore/QLocale> <QtCore/QObject> <QtCore/QPointer>
  <QtCore/QString> <QtCore/QStringList> <QtCore/QTimer>)
set(MERROWBY_PCH_QT
  ${MERROWBY_PCH_QT_CORE}
  <QtGui/QAccessible> <QtGui/QGuiApplication> <QtGui/QKeyEvent> <QtGui/QPainter>
  <QtGui/QScreen> <QtGui/QTextCursor> <QtGui/QTextDocument>
  <QtWidgets/QAbstractButton> <QtWidgets/QAccessibleWidget> <QtWidgets/QApplication>
  <QtWidgets/QCheckBox> <QtWidgets/QComboBox> <QtWidgets/QDialog> <QtWidgets/QGroupBox>
  <QtWidgets/QHeaderView> <QtWidgets/QLabel> <QtWidgets/QLineEdit> <QtWidgets/QMenu>
  <QtWidgets/QMessageBox> <QtWidgets/QPushButton> <QtWidgets/QRadioButton>
  <QtWidgets/QSlider> <QtWidgets/QTreeWidget> <QtWidgets/QWidget>)
# QTest is left out: its headers test the test's own folder macros, which differ per target.
set(MERROWBY_PCH_GTEST <gtest/gtest.h>)

# A static library of one empty source that precompiles the given headers for its kind.
function(_merrowby_pch_holder name)
  cmake_parse_arguments(H "" "" "HEADERS;LIBS" ${ARGN})
  set(source ${PROJECT_BINARY_DIR}/pch/${name}.cpp)
  file(CONFIGURE OUTPUT ${source} CONTENT "// Only here to precompile the headers of its kind.\n")
  add_library(${name} STATIC ${source})
  set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
  target_link_libraries(${name} PRIVATE ${H_LIBS})
  target_precompile_headers(${name} PRIVATE ${H_HEADERS})
endfunction()

# Whether the target links, itself or through the project's libraries, a library that matches.
function(_merrowby_links_any target pattern result)
  set(pending ${target})
  set(seen "")
  set(found FALSE)
  while(pending AND NOT found)
    list(POP_FRONT pending current)
    if(current IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${current})
    if(current MATCHES "${pattern}")
      set(found TRUE)
    elseif(TARGET ${current})
      get_target_property(imported ${current} IMPORTED)
      if(imported)
        continue()
      endif()
      get_target_property(type ${current} TYPE)
      set(links "")
      if(NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(direct ${current} LINK_LIBRARIES)
        if(direct)
          list(APPEND links ${direct})
        endif()
      endif()
      get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
      if(interface)
        list(APPEND links ${interface})
      endif()
      foreach(link ${links})
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
        if(NOT link MATCHES "^::@")
          list(APPEND pending ${link})
        endif()
      endforeach()
    endif()
  endwhile()
  set(${result} ${found} PARENT_SCOPE)
endfunction()

function(_merrowby_targets_under dir result)
  get_directory_property(targets DIRECTORY ${dir} BUILDSYSTEM_TARGETS)
  get_directory_property(subdirs DIRECTORY ${dir} SUBDIRECTORIES)
  foreach(sub ${subdirs})
    if(NOT sub MATCHES "/fuzz$")
      _merrowby_targets_under(${sub} more)
      list(APPEND targets ${more})
    endif()
  endforeach()
  set(${result} ${targets} PARENT_SCOPE)
endfunction()

function(merrowby_precompile_headers)
  if(NOT MERROWBY_PCH)
    return()
  endif()
  set(qt_pattern "^Qt6::(Widgets|PrintSupport|Charts)$")
  set(qt_core_pattern "^Qt6::Core$")
  set(gtest_pattern "^GTest::(gtest|gtest_main|GTest|Main)$")
  if(MERROWBY_GUI)
    _merrowby_pch_holder(merrowby_pch_qt
      HEADERS ${MERROWBY_PCH_STD} ${MERROWBY_PCH_QT} LIBS Qt6::Widgets)
    _merrowby_pch_holder(merrowby_pch_qt_core
      HEADERS ${MERROWBY_PCH_STD} ${MERROWBY_PCH_QT_CORE} LIBS Qt6::Core)
  endif()
  if(MERROWBY_TESTS)
    _merrowby_pch_holder(merrowby_pch_gtest
      HEADERS ${MERROWBY_PCH_STD} ${MERROWBY_PCH_GTEST} LIBS GTest::gtest)
    if(MERROWBY_GUI)
      _merrowby_pch_holder(merrowby_pch_qt_gtest
        HEADERS ${MERROWBY_PCH_STD} ${MERROWBY_PCH_QT} ${MERROWBY_PCH_GTEST}
        LIBS Qt6::Widgets GTest::gtest)
    endif()
  endif()

  _merrowby_targets_under(${PROJECT_SOURCE_DIR} targets)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    get_target_property(visibility ${target} CXX_VISIBILITY_PRESET)
    if(target MATCHES "^merrowby_pch_" OR NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY)$"
       OR visibility)
      continue()
    endif()
    _merrowby_links_any(${target} "${qt_pattern}" qt)
    set(qt_core FALSE)
    if(MERROWBY_GUI AND NOT qt)
      _merrowby_links_any(${target} "${qt_core_pattern}" qt_core)
    endif()
    set(gtest FALSE)
    if(MERROWBY_TESTS)
      _merrowby_links_any(${target} "${gtest_pattern}" gtest)
    endif()
    if(qt AND gtest)
      target_precompile_headers(${target} REUSE_FROM merrowby_pch_qt_gtest)
    elseif(qt)
      target_precompile_headers(${target} REUSE_FROM merrowby_pch_qt)
    elseif(gtest)
      target_precompile_headers(${target} REUSE_FROM merrowby_pch_gtest)
    elseif(qt_core)
      target_precompile_headers(${target} REUSE_FROM merrowby_pch_qt_core)
    endif()
  endforeach()
endfunction()
