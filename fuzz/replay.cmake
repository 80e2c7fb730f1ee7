# libFuzzer target for the replay reader: any bytes as a replay, read, written back, read again.
add_executable(velkar_fuzz_replay
  ${CMAKE_CURRENT_LIST_DIR}/replay_fuzz.cpp
  ${CMAKE_SOURCE_DIR}/src/replay/replay_file.cpp
  ${CMAKE_SOURCE_DIR}/src/base/file_read.cpp
  ${CMAKE_SOURCE_DIR}/platform/null/file_read_posix.cpp)
target_include_directories(velkar_fuzz_replay PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(velkar_fuzz_replay PRIVATE ${VELKAR_WARNINGS}
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
target_link_options(velkar_fuzz_replay PRIVATE -fsanitize=fuzzer,address,undefined)
