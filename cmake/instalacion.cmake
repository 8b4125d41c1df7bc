# What an installation holds, and the .tar.gz and .deb that CPack makes of it, which are the
# learners' (a lab's computers install them): the three programs, their manual pages in Spanish, the
# learner's guide, the README and the licence. Nothing of the teacher's edition, which answers the
# exercises: tools/paquetes.sh makes the teacher's download apart.
include(GNUInstallDirs)

install(TARGETS ${DEMOS_PROGRAMAS} RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
# The licence goes as Debian's machine-readable copyright file, wherever the programs go.
install(FILES README.md GUIA.md packaging/copyright DESTINATION "${CMAKE_INSTALL_DOCDIR}")
# The guide as one page, when pandoc made it (cmake/guia.cmake).
if(TARGET guia)
  install(FILES "${DEMOS_GUIA_HTML}" DESTINATION "${CMAKE_INSTALL_DOCDIR}")
endif()

# Manual pages and the changelog are compressed as Debian wants them: gzip -9n, which stores
# neither the file's name nor its time, so a package built twice is the same.
find_program(DEMOS_GZIP gzip)
function(comprimir entrada salida)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${entrada}")
  get_filename_component(carpeta "${salida}" DIRECTORY)
  file(MAKE_DIRECTORY "${carpeta}")
  execute_process(COMMAND "${DEMOS_GZIP}" -9n --stdout "${entrada}" OUTPUT_FILE "${salida}"
                  RESULT_VARIABLE estado)
  if(NOT estado EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${entrada}: ${estado}")
  endif()
endfunction()

set(DEMOS_MAINTAINER "Empaquetador sin nombre <empaquetador@demos-objetos.local>"
    CACHE STRING "Who packages the .deb, as name <email>: the packager sets it")

if(DEMOS_GZIP)
  foreach(programa IN LISTS DEMOS_PROGRAMAS)
    comprimir("${PROJECT_SOURCE_DIR}/man/${programa}.1" "${PROJECT_BINARY_DIR}/man/${programa}.1.gz")
    install(FILES "${PROJECT_BINARY_DIR}/man/${programa}.1.gz"
            DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  endforeach()
  configure_file(packaging/changelog.in packaging/changelog @ONLY)
  comprimir("${PROJECT_BINARY_DIR}/packaging/changelog" "${PROJECT_BINARY_DIR}/changelog.gz")
  install(FILES "${PROJECT_BINARY_DIR}/changelog.gz" DESTINATION "${CMAKE_INSTALL_DOCDIR}")
endif()

set(CPACK_PACKAGE_VENDOR "Los autores de demos-objetos")
set(CPACK_PACKAGE_CONTACT "${DEMOS_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "garaxo, pintafor and polifor are small interactive console programs\n"
    "written as lessons for learners of C++ and their teachers. Each runs one\n"
    "fixed script and shows, screen by screen, one way of building and using\n"
    "objects: a car held by value and one reached through a pointer; shapes\n"
    "as automatic and as free-store objects, with setters bound at compile\n"
    "time; and one virtual call through an array of base-class pointers.\n"
    "The programs, their manual pages and their guide are in Spanish.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_GENERATOR TGZ DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # dependencies computed by dpkg-shlibdeps
include(CPack)
