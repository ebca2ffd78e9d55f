# Links TARGET against the real main (renamed zevomain) and the scripted-session harness, whose
# link-time seams feed input, random draws and the clock, skip the waits and catch what main builds.
if(NOT TARGET zevomainobj)
  add_library(zevomainobj OBJECT ${PROJECT_SOURCE_DIR}/src/main.cpp)
  target_compile_definitions(zevomainobj PRIVATE main=zevomain)
  target_link_libraries(zevomainobj PRIVATE zevogame)
endif()
set(zevoseams SDL_PollEvent SDL_Delay SDL_Flip rand srand Mix_OpenAudio Mix_PlayChannelTimed Mix_LoadWAV_RW
  # the constructors of tank, plane, bullet and menu
  _ZN4tankC1EcP11SDL_SurfaceP9_TTF_Font
  _ZN5planeC1EP11SDL_SurfaceiciiP10background
  _ZN6bulletC1EP11SDL_SurfacecP5planeS3_S3_S3_S3_P10backgroundP9Mix_Chunk
  _ZN4menuC1EP11SDL_SurfaceP9_TTF_FontS3_S3_P9SDL_EventP10background)
function(zevo_session target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/session.cpp $<TARGET_OBJECTS:zevomainobj>)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE zevogame)
  foreach(fn ${zevoseams})
    target_link_options(${target} PRIVATE "-Wl,--wrap=${fn}")
  endforeach()
endfunction()
