# The built game with broken data files and without a usable display or audio device.
set(reliabilityenv "SDL_VIDEODRIVER=dummy" "SDL_AUDIODRIVER=dummy")
if(ZEVO_SANITIZE)
  # the planes and the menu are kept on purpose until the process ends
  list(APPEND reliabilityenv "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
                             "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endif()
foreach(group unreadable odd sounds devices)
  add_test(NAME reliability.${group}
           COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/brokendata.py ${CMAKE_BINARY_DIR}/zevo ${group}
           WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(reliability.${group} PROPERTIES ENVIRONMENT "${reliabilityenv}" TIMEOUT 300
                       LABELS reliability)
endforeach()

# Memcheck on a long computer-against-computer session; the sanitizer build has its own checks.
if(NOT ZEVO_SANITIZE AND sessionsources MATCHES "broken_test")
  add_test(NAME reliability.valgrind
           COMMAND valgrind --error-exitcode=9 --leak-check=full --errors-for-leak-kinds=definite
                   --show-leak-kinds=definite --suppressions=${CMAKE_CURRENT_LIST_DIR}/valgrind.supp
                   ${CMAKE_BINARY_DIR}/tests/zevotests --gtest_filter=broken.longsession
           WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(reliability.valgrind PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy"
                       TIMEOUT 600 LABELS "reliability;nosan")
endif()
