# Installation and packages: the program and its README everywhere, the man
# page where there is man; a ZIP for Windows, a tar.gz elsewhere.
include(GNUInstallDirs)

# A Windows folder holds the program and its README side by side.
if(WIN32)
  set(zerofill_bin_dir .)
  set(zerofill_doc_dir .)
else()
  set(zerofill_bin_dir ${CMAKE_INSTALL_BINDIR})
  set(zerofill_doc_dir ${CMAKE_INSTALL_DOCDIR})
endif()
install(TARGETS zerofill RUNTIME DESTINATION ${zerofill_bin_dir})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${zerofill_doc_dir})
if(NOT WIN32)
  configure_file(${PROJECT_SOURCE_DIR}/doc/zerofill.1.in
    ${PROJECT_BINARY_DIR}/doc/zerofill.1 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/doc/zerofill.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME zerofill)
set(CPACK_PACKAGE_VENDOR "zerofill developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(package_system win64)
  else()
    set(package_system win32)
  endif()
else()
  set(CPACK_GENERATOR TGZ)
  set(package_system "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
  string(TOLOWER "${package_system}" package_system)
endif()
set(CPACK_PACKAGE_FILE_NAME
  "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${package_system}")
set(CPACK_STRIP_FILES ON)
include(CPack)
