# kvq_windows_program(TARGET DESCRIPTION): what a shipped Windows .exe carries besides its code:
# the icon and version information, from project(VERSION) like everything else that shows the
# version.
function(kvq_windows_program target description)
    set(KVQ_RC_NAME ${target})
    set(KVQ_RC_DESCRIPTION ${description})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/kvq-version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
