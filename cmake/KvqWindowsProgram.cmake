# kvq_windows_program(TARGET DESCRIPTION): what a shipped Windows .exe carries besides its code:
# the icon and version information, from project(VERSION) like everything else that shows the
# version, and a linker map beside it (TARGET.exe.map), which tells the third-party notices
# which parts of the static Qt and of the compiler's runtime went into it.
function(kvq_windows_program target description)
    set(KVQ_RC_NAME ${target})
    set(KVQ_RC_DESCRIPTION ${description})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/kvq-version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    target_link_options(${target} PRIVATE "LINKER:-Map=$<TARGET_FILE:${target}>.map")
endfunction()
