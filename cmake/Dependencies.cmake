# All dependencies come from Debian's packages (scripts/install-deps.sh installs them).
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets PrintSupport Test)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SQLCIPHER REQUIRED IMPORTED_TARGET sqlcipher)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
pkg_check_modules(GST REQUIRED IMPORTED_TARGET gstreamer-1.0 gstreamer-app-1.0 gstreamer-video-1.0 gstreamer-pbutils-1.0)
find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)
find_package(ZLIB REQUIRED)

# Debian's QScintilla ships no CMake config.
find_path(QSCINTILLA_INCLUDE_DIR Qsci/qsciscintilla.h
  PATH_SUFFIXES ${CMAKE_LIBRARY_ARCHITECTURE}/qt6 qt6 REQUIRED)
find_library(QSCINTILLA_LIBRARY qscintilla2_qt6 REQUIRED)
if(NOT TARGET QScintilla::QScintilla)
  add_library(QScintilla::QScintilla UNKNOWN IMPORTED)
  set_target_properties(QScintilla::QScintilla PROPERTIES
    IMPORTED_LOCATION ${QSCINTILLA_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${QSCINTILLA_INCLUDE_DIR}
    INTERFACE_COMPILE_DEFINITIONS QSCINTILLA_DLL
    INTERFACE_LINK_LIBRARIES "Qt6::Widgets;Qt6::PrintSupport")
endif()

if(LABGUIDE_TESTS)
  find_package(GTest REQUIRED)
endif()
if(LABGUIDE_BENCH)
  find_package(benchmark REQUIRED)
endif()

# One place to create a layer library: lg_<folder>.
function(labguide_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()
