# Runs the consumer game EXE in a window on a private X server, from a fresh folder outside
# the build tree that holds nothing (no font, no configuration): it must start, play and end
# with status 0, say nothing on standard error, and leave its log there.
string(RANDOM LENGTH 8 suffix)
set(folder /tmp/qm-consumer-${suffix})
file(REMOVE_RECURSE ${folder})
file(MAKE_DIRECTORY ${folder})
execute_process(COMMAND xvfb-run -a -s "-screen 0 1024x768x24" ${EXE}
    WORKING_DIRECTORY ${folder} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(GLOB left RELATIVE ${folder} ${folder}/*)
file(READ ${folder}/quillmere.log log)
file(REMOVE_RECURSE ${folder})
message("${out}")
if(NOT result EQUAL 0 OR NOT err STREQUAL "" OR NOT left STREQUAL "quillmere.log")
    message(FATAL_ERROR "consumer: status ${result}, folder holds '${left}', standard error:\n${err}\nlog:\n${log}")
endif()
