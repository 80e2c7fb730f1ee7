# libFuzzer target for the wave reader: any bytes as an effect file, opened and read whole.
add_executable(velkar_fuzz_wave
  ${CMAKE_CURRENT_LIST_DIR}/wave_fuzz.cpp
  ${CMAKE_SOURCE_DIR}/src/sound/wave_reader.cpp
  ${CMAKE_SOURCE_DIR}/src/base/trace.cpp)
target_include_directories(velkar_fuzz_wave PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(velkar_fuzz_wave PRIVATE ${VELKAR_WARNINGS}
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
target_link_options(velkar_fuzz_wave PRIVATE -fsanitize=fuzzer,address,undefined)
