# Sources are listed in the build files by name. qm_check_listed stops the configuration when
# a file matching `pattern` under `dir` is missing from `listed` (names relative to `dir`, or
# absolute), so that a file added without its line in a list cannot be left out silently.
function(qm_check_listed listed dir pattern)
    file(GLOB present RELATIVE ${dir} ${dir}/${pattern})
    set(names "")
    foreach(item ${listed})
        if(IS_ABSOLUTE ${item})
            file(RELATIVE_PATH item ${dir} ${item})
        endif()
        list(APPEND names ${item})
    endforeach()
    foreach(file ${present})
        if(NOT file IN_LIST names)
            message(FATAL_ERROR "${dir}/${file} is not listed in the build file next to it")
        endif()
    endforeach()
endfunction()
