# Fails when the program links Qt WebEngine: the browser engine belongs in the module that is
# loaded the first time a page is opened. Run with -DPROGRAM=<the program file>.
execute_process(COMMAND ldd ${PROGRAM} OUTPUT_VARIABLE libraries RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "ldd could not read ${PROGRAM}")
endif()
if(NOT libraries MATCHES "libQt6Widgets")
    message(FATAL_ERROR "ldd output does not look like the program's libraries:\n${libraries}")
endif()
if(libraries MATCHES "WebEngine")
    message(FATAL_ERROR "the program links Qt WebEngine:\n${libraries}")
endif()
