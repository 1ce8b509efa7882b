# Installing like a desktop program: the program folder <prefix>/lib/labguide holds labguide, labtool,
# asm/, pic/ and the built catalogue QK740X.mdb as the template of each user's copy; <prefix>/bin/labguide is
# the launcher that prepares the user's working folder and starts the program there. CPack builds the
# Debian package from the same rules.
set(LABGUIDE_INSTALL_PROGRAM_DIR lib/labguide)

if(TARGET labguide)
  install(TARGETS labguide RUNTIME DESTINATION ${LABGUIDE_INSTALL_PROGRAM_DIR})
endif()
if(TARGET labtool)
  install(TARGETS labtool RUNTIME DESTINATION ${LABGUIDE_INSTALL_PROGRAM_DIR})
  install(FILES ${LABGUIDE_WORK_DIR}/QK740X.mdb DESTINATION ${LABGUIDE_INSTALL_PROGRAM_DIR})
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(CREATE_LINK ../${LABGUIDE_INSTALL_PROGRAM_DIR}/labtool \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/labtool\" SYMBOLIC)")
endif()
foreach(folder asm pic)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/${folder}/ DESTINATION ${LABGUIDE_INSTALL_PROGRAM_DIR}/${folder}
    PATTERN ".keep" EXCLUDE)
endforeach()

if(TARGET labguide)
  # The launcher, the desktop entry and the icon (drawn at build time, the window's own icon).
  add_subdirectory(${CMAKE_SOURCE_DIR}/packaging ${CMAKE_BINARY_DIR}/packaging)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME labguide)
set(CPACK_PACKAGE_VENDOR "labguide")
set(CPACK_PACKAGE_CONTACT "labguide maintainers <labguide@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "实验演示向导 - experiment guide for microcomputer trainer boxes")
set(CPACK_PACKAGE_DESCRIPTION "Shows students how to wire and run the experiments of the QK740X, QK620X,
QK310X+ and QK930X trainer boxes: the board drawing, the wiring list step by step, the assembly source,
the experiment's texts and pictures, reference pictures and a camera tab. Includes labtool, the
teachers' command-line companion.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Debian 12's runtime packages of the libraries the program links, its Qt platform plugin, the GStreamer
# elements the camera pipeline uses, and the fonts its Chinese and Latin texts are drawn in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libc6, libstdc++6, libqt6core6, libqt6gui6, libqt6widgets6, libqt6printsupport6, qt6-qpa-plugins, \
libqscintilla2-qt6-15, libsqlcipher0, libzip4, libjpeg62-turbo, libpng16-16, zlib1g, libgstreamer1.0-0, \
libgstreamer-plugins-base1.0-0, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, \
fonts-wqy-zenhei, fonts-liberation2")
include(CPack)
