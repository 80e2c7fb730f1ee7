# The SDL2 joystick of the Linux program, kept apart from the SDL2 sound output.
find_package(SDL2 REQUIRED)
add_library(velkar_sdl_joystick OBJECT ${CMAKE_CURRENT_LIST_DIR}/joystick_sdl.cpp)
target_link_libraries(velkar_sdl_joystick PUBLIC velkar_core SDL2::SDL2)
target_include_directories(velkar_sdl_joystick PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_options(velkar_sdl_joystick PRIVATE ${VELKAR_WARNINGS})
