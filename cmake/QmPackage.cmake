# Installing the engine for games outside this repository: `cmake --install <build>` puts the
# library, the public headers and a package configuration with its version file under the
# prefix, so that find_package(Quillmere 4.15) gives the target Quillmere::engine.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QM_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quillmere)
target_include_directories(qm_engine PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
set_target_properties(qm_engine PROPERTIES EXPORT_NAME engine)

install(TARGETS qm_engine EXPORT QuillmereTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT QuillmereTargets NAMESPACE Quillmere:: DESTINATION ${QM_PACKAGE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QuillmereConfig.cmake.in
    ${PROJECT_BINARY_DIR}/QuillmereConfig.cmake
    INSTALL_DESTINATION ${QM_PACKAGE_DIR})
# Within a major version the engine's interface only grows.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QuillmereConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QuillmereConfig.cmake ${PROJECT_BINARY_DIR}/QuillmereConfigVersion.cmake
    DESTINATION ${QM_PACKAGE_DIR})
