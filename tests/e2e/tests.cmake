# The built game in a real X window: real input through XTEST, checked by the window's pixels.
set(e2eenv "SDL_AUDIODRIVER=dummy")
if(ZEVO_SANITIZE)
  list(APPEND e2eenv "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
                     "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endif()
add_test(NAME e2e.window
         COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/window.py ${CMAKE_BINARY_DIR}/zevo
                 --shots ${CMAKE_CURRENT_BINARY_DIR}/e2e-shots
         WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(e2e.window PROPERTIES ENVIRONMENT "${e2eenv}" TIMEOUT 120)
