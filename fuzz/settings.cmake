# libFuzzer target for the settings-file codec: any bytes as a file, with reads and writes on it.
add_executable(velkar_fuzz_settings
  ${CMAKE_CURRENT_LIST_DIR}/settings_fuzz.cpp
  ${CMAKE_SOURCE_DIR}/src/settings/ini_codec.cpp
  ${CMAKE_SOURCE_DIR}/platform/null/file_sync_posix.cpp)
target_include_directories(velkar_fuzz_settings PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(velkar_fuzz_settings PRIVATE ${VELKAR_WARNINGS}
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
target_link_options(velkar_fuzz_settings PRIVATE -fsanitize=fuzzer,address,undefined)
