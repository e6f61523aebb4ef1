# The activity sound lies beside the executable in the build tree and in the data folder when
# installed. scripts/make-sound.py writes the committed file.
set(KW_SOUND_FILE ${PROJECT_SOURCE_DIR}/resources/sound.wav)
get_target_property(kw_program_dir kestrowind2 RUNTIME_OUTPUT_DIRECTORY)
if(NOT kw_program_dir)
    set(kw_program_dir ${CMAKE_CURRENT_BINARY_DIR})
endif()
configure_file(${KW_SOUND_FILE} ${kw_program_dir}/sound.wav COPYONLY)
install(FILES ${KW_SOUND_FILE} DESTINATION ${KW_DATA_DESTINATION})
