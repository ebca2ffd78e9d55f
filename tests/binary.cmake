# The built game as a player gets it: one test per group of tests/binary.py.
set(binaryenv "SDL_AUDIODRIVER=dummy")
if(ZEVO_SANITIZE)
  # the planes and the menu are kept on purpose until the process ends
  list(APPEND binaryenv "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
                        "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
                        # libfailinit.so is preloaded ahead of the sanitizer's runtime
                        "ASAN_OPTIONS=verify_asan_link_order=0")
endif()
# beside the game, where binary.py looks for it
add_library(failinit MODULE failinit.cpp)
target_link_libraries(failinit PRIVATE PkgConfig::SDLLIBS ${CMAKE_DL_LIBS})
set_target_properties(failinit PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(binarygroups broken devices signals window)
if(NOT ZEVO_SANITIZE)
  # builds its own copy of the game with ./play
  list(APPEND binarygroups setup)
endif()
foreach(group ${binarygroups})
  add_test(NAME binary.${group}
           COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/binary.py ${CMAKE_BINARY_DIR}/zevo ${group}
           WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  # a guard only: the driver waits for states, and under load a computer's game to 25 points takes long
  set_tests_properties(binary.${group} PROPERTIES ENVIRONMENT "${binaryenv}" TIMEOUT 1200)
endforeach()
