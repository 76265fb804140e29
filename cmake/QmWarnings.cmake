# Warning flags for the project's own targets (never for third-party code).
function(qm_set_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wformat=2
        -Wconversion -Wsign-conversion -Wdouble-promotion -Wold-style-cast -Wnull-dereference
        -Wsuggest-override -Wimplicit-fallthrough -Wcast-align)
    if(QM_WARNINGS_AS_ERRORS)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
