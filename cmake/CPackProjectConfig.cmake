# Read by cpack as it packs. Two packages of one commit are the same bytes: every time stamp in
# them is the commit's (the release date's outside a git checkout), unless SOURCE_DATE_EPOCH
# already names one.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git -C "${CPACK_YOMIDA_SOURCE_DIR}" log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
    if(failed OR NOT epoch MATCHES "^[0-9]+$")
        set(epoch ${CPACK_YOMIDA_RELEASE_EPOCH})
    endif()
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
