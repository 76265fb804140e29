# Installing the engine for games outside this repository: `cmake --install <build>` puts the
# library, the public headers and a package configuration with its version file under the
# prefix, so that find_package(Quillmere 4.15) gives the target Quillmere::engine. With it go
# the font the game ships and its licence, in <prefix>/share/quillmere: the display manager
# looks there for its font last, so the folder is built into the library. Install into the
# prefix the build was configured with (CMAKE_INSTALL_PREFIX).

# A test build installs only into its own staging folder (the package test): unless another
# prefix was chosen, that folder is its prefix, so that the engine built here finds the data
# installed there.
if(QM_BUILD_TESTS AND (CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT OR CMAKE_INSTALL_PREFIX STREQUAL "/usr/local"))
    set(CMAKE_INSTALL_PREFIX ${CMAKE_BINARY_DIR}/consumer-stage CACHE PATH "Install prefix" FORCE)
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QM_DATA_DIR ${CMAKE_INSTALL_DATADIR}/quillmere)
target_compile_definitions(qm_engine PRIVATE QM_INSTALLED_DATA_DIR="${CMAKE_INSTALL_FULL_DATADIR}/quillmere")
# The same font the game's run folder gets (game/CMakeLists.txt), from fonts-league-mono.
set(QM_PACKAGE_FONT /usr/share/fonts/opentype/league-mono/LeagueMono-Condensed.otf)
set(QM_PACKAGE_FONT_LICENCE /usr/share/doc/fonts-league-mono/copyright)
install(FILES ${QM_PACKAGE_FONT} DESTINATION ${QM_DATA_DIR} RENAME qm-font.ttf)
install(FILES ${QM_PACKAGE_FONT_LICENCE} DESTINATION ${QM_DATA_DIR} RENAME qm-font-LICENCE.txt)
# The tileset drawn from that font (game/tools/tileset.cpp), found by name like the font.
install(FILES ${PROJECT_SOURCE_DIR}/game/tilesets/qm-tiles-8x16.png DESTINATION ${QM_DATA_DIR})
# `cmake --install --prefix <other>` puts the files elsewhere, where the library does not look.
install(CODE "if(NOT CMAKE_INSTALL_PREFIX STREQUAL \"${CMAKE_INSTALL_PREFIX}\")
    message(WARNING \"The engine looks for its font in ${CMAKE_INSTALL_FULL_DATADIR}/quillmere, not under \"
        \"\${CMAKE_INSTALL_PREFIX}: configure with -DCMAKE_INSTALL_PREFIX=\${CMAKE_INSTALL_PREFIX} to install there.\")
endif()")

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
