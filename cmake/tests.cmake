# One test binary, and one CTest entry, per folder under tests/ (its sources
# are listed in cmake/sources.cmake). Each folder links only what it tests. A
# folder with its own main.cc links gtest instead of gtest_main.
set(KX_TEST_LIBS_framework_core fw_wrapper)
set(KX_TEST_LIBS_framework_script fw_renderer fw_testing)
set(KX_TEST_LIBS_framework_renderer fw_renderer fw_testing)
set(KX_TEST_LIBS_framework_browser framework fw_testing)
set(KX_TEST_LIBS_framework_process framework fw_testing)
set(KX_TEST_LIBS_common kx_common)
set(KX_TEST_LIBS_host kx_host)
set(KX_TEST_LIBS_integration kx_host fw_testing)
set(KX_TEST_LIBS_app kx_system fw_testing kx_lazy_imports)
set(KX_TEST_LIBS_default kx_system fw_testing)
# On the real framework, the areas whose tests need nothing but its public API
# in a process that never initialises it more than once.
set(KX_REAL_TEST_AREAS host common)
# Tests left out there. The script budget is the stand-in's own (the real
# framework has none to configure). A burst ended by a one-second limit needs
# the page loaded within that second, and the real framework takes longer to
# start under Wine. A host copied alone into a folder of its own cannot load
# libcef.dll there, so it never gets as far as a render program that is missing.
# The stand-in alone can be made to fail a launch (KX_FAIL_RENDER_LAUNCHES).
set(KX_REAL_SKIPPED_host
    *NeverYields*:*TimeLimitEndsABurstOfUpdates*:*RenderProgramThatCannotStart*
    *KxHostFailedLaunchTest.*)
# Each of these host runs is an entry of its own, so that a failure names the
# run and each has the suite's time limit to itself; a last entry runs every
# other test.
set(KX_REAL_SPLIT_host
    KxHostTest.OptionsPage* KxHostTest.Burst* KxHostTest.AllowList*
    KxHostTest.MissingPage* *KxHostOptionsPageTest.* *OptionsReachTheHost*
    *DemoOptionsPage* *DemoErrorPage* *TimeLimitEndsAPageThatNeverCloses*
    *PageAssertions* *SeededOptions*)

# One suite entry: the command and its arguments, with the suite's time limit.
function(kx_add_test name)
  add_test(NAME ${name} COMMAND ${ARGN})
  set_tests_properties(${name} PROPERTIES TIMEOUT 240)
endfunction()

foreach(area ${KX_TEST_AREAS})
  if(CEF_ROOT AND NOT area IN_LIST KX_REAL_TEST_AREAS)
    continue()
  endif()
  kx_source_paths(srcs ${KX_TEST_SOURCES_${area}})
  set(target ${area}_tests)
  add_executable(${target} ${srcs})
  if(DEFINED KX_TEST_LIBS_${area})
    set(libs ${KX_TEST_LIBS_${area}})
  else()
    set(libs ${KX_TEST_LIBS_default})
  endif()
  if("tests/${area}/main.cc" IN_LIST KX_TEST_SOURCES_${area})
    set(gtest_lib gtest gmock)
  else()
    set(gtest_lib gtest_main gmock)
  endif()
  target_link_libraries(${target} PRIVATE ${libs} ${gtest_lib} kx_root)
  target_compile_definitions(${target} PRIVATE
      KX_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KX_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(NOT area MATCHES "^(framework_|common$)")
    # System tests start the real executables.
    add_dependencies(${target} kxsubprocess kxhost)
  endif()
  if(NOT CEF_ROOT)
    kx_add_test(${area} ${target})
    continue()
  endif()
  set(rest ${KX_REAL_SPLIT_${area}} ${KX_REAL_SKIPPED_${area}})
  string(JOIN ":" rest ${rest})
  string(JOIN ":" skipped ${KX_REAL_SKIPPED_${area}})
  set(index 0)
  foreach(pattern IN LISTS KX_REAL_SPLIT_${area})
    math(EXPR index "${index} + 1")
    kx_add_test(real_${area}_${index} ${target}
                --gtest_filter=${pattern}-${skipped})
  endforeach()
  kx_add_test(real_${area} ${target} --gtest_filter=*-${rest})
endforeach()

if(CEF_ROOT)
  # The package a host developer gets: the example host built from its zip
  # alone and run on the real framework.
  kx_add_test(real_package bash ${CMAKE_SOURCE_DIR}/tools/check_package.sh
              ${CMAKE_BINARY_DIR})
  # The 32-bit build, as far as the link, from this distribution's exports.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    kx_add_test(real_i686_link bash ${CMAKE_SOURCE_DIR}/tools/check_i686_link.sh
                ${CEF_ROOT} ${CMAKE_BINARY_DIR}/i686)
    set_tests_properties(real_i686_link PROPERTIES TIMEOUT 900)
  endif()
  # The component built with its checks on (a Debug build) against the
  # release libcef.dll, running the demo pages in both modes: every thread
  # rule it states in code, proven on the real framework.
  kx_add_test(real_thread_rules bash ${CMAKE_SOURCE_DIR}/tools/check_thread_rules.sh
              ${CEF_ROOT} ${CMAKE_BINARY_DIR}/checked)
  set_tests_properties(real_thread_rules PROPERTIES TIMEOUT 1800)
  # DevTools attached to a page of kxhost: the stand-in has none.
  kx_add_test(real_devtools bash ${CMAKE_SOURCE_DIR}/tools/check_devtools.sh
              ${CMAKE_BINARY_DIR})
  return()
endif()

# The suite's Wine set-up: a server that an earlier, killed run left
# persistent holds up no later run for longer than its bound.
add_test(NAME test_env_wait
         COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check_test_env.sh
                 ${CMAKE_BINARY_DIR}/wineprefix)

# Layering: which folder may include which.
add_test(NAME layering
         COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check_layering.sh
                 ${CMAKE_SOURCE_DIR})

# The error page's pieces and images are what the generator makes of its
# inputs: an output edited by hand or left stale fails.
add_test(NAME error_page_generated
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/gen_error_page.py --check)

# The pages' scripts against their types (tsc --strict): the pages check
# clean and the wrong calls of tests/pages/ are refused.
add_test(NAME page_types
         COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check_page_types.sh
                 ${CMAKE_SOURCE_DIR})

# The pages in an ordinary browser (headless Chromium) against the KXHelper
# emulation: the shared assertions page agrees with the component's run.
add_test(NAME page_emulation
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/check_page_emulation.py)

# What a person sees of the load-failure page, from a headless Chromium
# screenshot kept as an artefact.
add_test(NAME error_page_render
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/check_error_page_render.py
                 --out ${CMAKE_BINARY_DIR}/artifacts/error_page.png)

# Two libraries for the lazy-import test: kxlazy_a.dll, which it copies into
# the system folder, imports kxlazy_b.dll, which only the test's folder holds.
foreach(name kxlazy_b kxlazy_a)
  add_library(${name} SHARED ${CMAKE_SOURCE_DIR}/tests/app/lazy_dep/${name}.cc)
  set_target_properties(${name} PROPERTIES PREFIX "" IMPORT_PREFIX "")
  target_link_options(${name} PRIVATE -static-libgcc -static-libstdc++)
endforeach()
target_link_libraries(kxlazy_a PRIVATE kxlazy_b)
add_dependencies(app_tests kxlazy_a)

# A library that imports the wait functions as the framework's does, for the
# routing tests.
add_library(kxwaits SHARED ${CMAKE_SOURCE_DIR}/tests/app/waits_dll/kxwaits.cc)
set_target_properties(kxwaits PROPERTIES PREFIX "" IMPORT_PREFIX "")
# Undecorated names: GetProcAddress("KxWaitsThread") on 32-bit too.
target_link_options(kxwaits PRIVATE -static-libgcc -static-libstdc++
                    -Wl,--kill-at)
add_dependencies(app_tests kxwaits)
