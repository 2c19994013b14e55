# kvq_use_qt_generators(target): moc, uic (forms from forms/) and rcc for a target that uses Qt.
# Plain C++ targets never get them, so a Q_OBJECT there fails the build instead of hiding.
function(kvq_use_qt_generators target)
    set_target_properties(${target} PROPERTIES
        AUTOMOC ON
        AUTOUIC ON
        AUTORCC ON
        AUTOUIC_SEARCH_PATHS ${PROJECT_SOURCE_DIR}/forms
    )
endfunction()
