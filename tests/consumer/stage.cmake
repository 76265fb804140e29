# Installs the build tree BUILD into a fresh prefix STAGE (removing what an earlier run left).
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${STAGE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(file lib/libquillmere.a include/qm/Object.h lib/cmake/Quillmere/QuillmereConfig.cmake
        lib/cmake/Quillmere/QuillmereConfigVersion.cmake lib/cmake/Quillmere/QuillmereTargets.cmake
        share/quillmere/qm-font.ttf share/quillmere/qm-font-LICENCE.txt)
    if(NOT EXISTS ${STAGE}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
