# Installing like a desktop program: the program folder <prefix>/lib/labguide holds labguide, labedit and labtool;
# the architecture-independent data (asm/, pic/ and the built catalogue QK740X.mdb, the template of each
# user's copy) lies in <prefix>/share/labguide, and the program folder finds it through links, since the
# program looks for asm/ and pic/ in its own folder. <prefix>/bin/labguide is the launcher that prepares the
# user's working folder and starts the program there. CPack builds the Debian package from the same rules.
set(LABGUIDE_INSTALL_PROGRAM_DIR lib/labguide)
set(LABGUIDE_INSTALL_DATA_DIR share/labguide)
set(LABGUIDE_INSTALL_DOC_DIR share/doc/labguide)

# Links from the program folder into the data folder, relative as Debian wants them.
function(labguide_install_link name)
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${LABGUIDE_INSTALL_PROGRAM_DIR}\")
    file(CREATE_LINK ../../${LABGUIDE_INSTALL_DATA_DIR}/${name}
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${LABGUIDE_INSTALL_PROGRAM_DIR}/${name}\" SYMBOLIC)")
endfunction()

foreach(program labguide labedit labtool)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${LABGUIDE_INSTALL_PROGRAM_DIR})
    # Symbols resolved at start, so the relocation tables can be read-only.
    target_link_options(${program} PRIVATE LINKER:-z,relro LINKER:-z,now)
  endif()
endforeach()
if(TARGET labtool)
  install(FILES ${LABGUIDE_WORK_DIR}/QK740X.mdb DESTINATION ${LABGUIDE_INSTALL_DATA_DIR})
  labguide_install_link(QK740X.mdb)
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(CREATE_LINK ../${LABGUIDE_INSTALL_PROGRAM_DIR}/labtool \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/labtool\" SYMBOLIC)")
endif()
if(TARGET labedit)
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(CREATE_LINK ../${LABGUIDE_INSTALL_PROGRAM_DIR}/labedit \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/labedit\" SYMBOLIC)")
endif()
foreach(folder asm pic)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/${folder}/ DESTINATION ${LABGUIDE_INSTALL_DATA_DIR}/${folder}
    PATTERN ".keep" EXCLUDE)
  labguide_install_link(${folder})
endforeach()

# The licence and the history, where Debian keeps them; the changelog compressed without name and time.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${LABGUIDE_INSTALL_DOC_DIR})
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^labguide \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog starts with '${changelog_head}', not with version ${PROJECT_VERSION}")
endif()
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging-doc/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging-doc
  COMMAND ${GZIP_PROGRAM} -9n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/packaging-doc/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog
  COMMENT "Compressing the changelog")
add_custom_target(changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging-doc/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging-doc/changelog.gz DESTINATION ${LABGUIDE_INSTALL_DOC_DIR})
# The tags overridden, each with its reason.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides DESTINATION share/lintian/overrides RENAME labguide)

add_subdirectory(${CMAKE_SOURCE_DIR}/man ${CMAKE_BINARY_DIR}/man)
if(TARGET labguide)
  # The launcher, the desktop entry, the icon and the AppStream metadata.
  add_subdirectory(${CMAKE_SOURCE_DIR}/packaging ${CMAKE_BINARY_DIR}/packaging)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME labguide)
set(CPACK_PACKAGE_VENDOR "labguide")
set(CPACK_PACKAGE_CONTACT "labguide maintainers <maintainers@labguide.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "experiment guide for microcomputer trainer boxes (实验演示向导)")
# Debian shows each line as it stands: at most 80 columns.
set(CPACK_PACKAGE_DESCRIPTION "Shows students how to wire and run the experiments of the QK740X, QK620X,
QK310X+ and QK930X trainer boxes: the board drawing, the wiring list step by
step, the assembly source, the experiment's texts and pictures, reference
pictures and a camera tab. The user interface is in Chinese.
.
Includes labedit, the teachers' experiment editor, and labtool, their
command-line companion.")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://labguide.example.org/)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The switch of asm/ and pic/ from directories to links on upgrades from packages that had them in the
# program folder.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/maintscript/preinst
  ${CMAKE_SOURCE_DIR}/packaging/maintscript/postinst ${CMAKE_SOURCE_DIR}/packaging/maintscript/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Debian 12's runtime packages of the libraries the program links, its Qt platform plugin, the GStreamer
# elements the camera pipeline uses, the fonts its Chinese and Latin texts are drawn in, Qt's Chinese texts,
# and nasm, which assembles the 8088 sources for the virtual run.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libc6, libstdc++6, libqt6core6, libqt6gui6, libqt6widgets6, libqt6printsupport6, qt6-qpa-plugins, \
libqscintilla2-qt6-15, libsqlcipher0, libzip4, libjpeg62-turbo, libpng16-16, zlib1g, libgstreamer1.0-0, \
libgstreamer-plugins-base1.0-0, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, \
fonts-wqy-zenhei, fonts-liberation2, qt6-translations-l10n, libx86emu3, nasm")
include(CPack)
