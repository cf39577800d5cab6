# One test binary, and one CTest entry, per folder under tests/ (its sources
# are listed in cmake/sources.cmake). Each folder links only what it tests. A
# folder with its own main.cc links gtest instead of gtest_main.
set(KX_TEST_LIBS_framework_core fw_wrapper)
set(KX_TEST_LIBS_framework_script fw_renderer fw_testing)
set(KX_TEST_LIBS_framework_renderer fw_renderer fw_testing)
set(KX_TEST_LIBS_framework_browser framework fw_testing)
set(KX_TEST_LIBS_framework_process framework fw_testing)
set(KX_TEST_LIBS_common kx_common)
set(KX_TEST_LIBS_host kx_host ws2_32)
set(KX_TEST_LIBS_integration kx_host fw_testing)
set(KX_TEST_LIBS_app kx_system fw_testing kx_lazy_imports)
set(KX_TEST_LIBS_default kx_system fw_testing)
# On the real framework, the areas whose tests need nothing but its public API
# in a process that never initialises it more than once.
set(KX_REAL_TEST_AREAS host common)
# Tests left out there. The script budget is the stand-in's own (the real
# framework has none to configure). A burst ended by a one-second limit needs
# the page loaded within that second, and the real framework takes longer to
# start under Wine. The stand-in alone can be made to fail a launch
# (KX_FAIL_RENDER_LAUNCHES).
set(KX_REAL_SKIPPED_host
    *NeverYields*:*TimeLimitEndsABurstOfUpdates*:*KxHostFailedLaunchTest.*)
# Each of these host runs is an entry of its own, so that a failure names the
# run and each has the suite's time limit to itself; a last entry runs every
# other test.
set(KX_REAL_SPLIT_host
    KxHostTest.OptionsPage* KxHostTest.Burst* KxHostTest.AllowList*
    KxHostTest.MissingPage* *KxHostOptionsPageTest.* *OptionsReachTheHost*
    *DemoOptionsPage* *DemoErrorPage* *TimeLimitEndsAPageThatNeverCloses*
    *PageAssertions* *SeededOptions* *RenderProgramThatCannotStart*
    *AvatarPages* *ACrashedRenderProcess*)

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
  # alone and run on the real framework, in a Wine prefix made by the
  # package's own script.
  kx_add_test(real_package bash ${CMAKE_SOURCE_DIR}/tools/check_package.sh
              ${CMAKE_BINARY_DIR})
  # It makes a Wine prefix of its own, as a host developer does.
  set_tests_properties(real_package PROPERTIES TIMEOUT 600)
  # A host of another toolchain: the example built from the package's
  # sources alone (no prebuilt library), with MinGW-w64 GCC and with clang,
  # without a warning, and run on the real framework.
  foreach(toolchain gcc clang)
    kx_add_test(real_package_sources_${toolchain} bash
                ${CMAKE_SOURCE_DIR}/tools/check_package_sources.sh
                ${CMAKE_BINARY_DIR} ${toolchain})
    set_tests_properties(real_package_sources_${toolchain} PROPERTIES
                         TIMEOUT 900)
  endforeach()
  # libcef.lib, the import library a Visual C++ host links: lld-link links a
  # C program against it, which runs on libcef.dll.
  kx_add_test(real_import_lib bash ${CMAKE_SOURCE_DIR}/tools/check_import_lib.sh
              ${CMAKE_BINARY_DIR})
  # The 32-bit build, as far as the link, from this distribution's exports.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    kx_add_test(real_i686_link bash ${CMAKE_SOURCE_DIR}/tools/check_i686_link.sh
                ${CEF_ROOT} ${CMAKE_BINARY_DIR}/i686)
    # It also builds the example from the 32-bit package's sources with clang.
    set_tests_properties(real_i686_link PROPERTIES TIMEOUT 1200)
  endif()
  # The host guide's C++ samples compile as a host's code does: after the
  # headers the guide names, with the definitions and include paths that
  # kxembed::kxembed gives. The fixture first shows that the check refuses
  # what it must.
  set(kx_sample_compiler ${CMAKE_CXX_COMPILER} -std=c++17 -Wall
      "-D$<JOIN:$<TARGET_PROPERTY:kxembed,INTERFACE_COMPILE_DEFINITIONS>,$<SEMICOLON>-D>"
      "-I$<JOIN:$<TARGET_PROPERTY:kxembed,INTERFACE_INCLUDE_DIRECTORIES>,$<SEMICOLON>-I>")
  kx_add_test(real_host_guide_samples python3
              ${CMAKE_SOURCE_DIR}/tools/check_doc_samples.py
              ${CMAKE_SOURCE_DIR}/docs/host.md -- ${kx_sample_compiler}
              COMMAND_EXPAND_LISTS)
  kx_add_test(real_guide_samples_check python3
              ${CMAKE_SOURCE_DIR}/tools/check_doc_samples.py
              ${CMAKE_SOURCE_DIR}/tests/docs/samples.md --self-test --
              ${kx_sample_compiler} COMMAND_EXPAND_LISTS)
  # The component built with its checks on (a Debug build) against the
  # release libcef.dll, running the demo pages in both modes: every thread
  # rule it states in code, proven on the real framework.
  kx_add_test(real_thread_rules bash ${CMAKE_SOURCE_DIR}/tools/check_thread_rules.sh
              ${CEF_ROOT} ${CMAKE_BINARY_DIR}/checked)
  set_tests_properties(real_thread_rules PROPERTIES TIMEOUT 1800)
  # DevTools attached to a page of kxhost: the stand-in has none.
  kx_add_test(real_devtools bash ${CMAKE_SOURCE_DIR}/tools/check_devtools.sh
              ${CMAKE_BINARY_DIR})
  # The page authors' debugging loop (pages/tools/debug.js) on a TypeScript
  # page of kxhost, and the engine's own inspector shown by a second kxhost.
  kx_add_test(real_page_debug bash ${CMAKE_SOURCE_DIR}/tools/check_page_debug.sh
              ${CMAKE_BINARY_DIR})
  kx_add_test(real_page_inspector bash
              ${CMAKE_SOURCE_DIR}/tools/check_page_inspector.sh ${CMAKE_BINARY_DIR})
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

# What Chromium 45 lacks, found before a page runs: the page check a page
# author runs (pages/tools/check.js) passes the pages and flags each fixture
# of tests/pages/chrome45/ where it is marked.
add_test(NAME page_chrome45
         COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check_page_chrome45.sh
                 ${CMAKE_SOURCE_DIR})

# The page guide's code samples, each a page author's script or TypeScript
# page, through the same check; no code outside a marked block.
add_test(NAME page_samples
         COMMAND node ${CMAKE_SOURCE_DIR}/tools/check_page_samples.js
                 ${CMAKE_SOURCE_DIR})

# The page authors' debugging loop (pages/tools/debug.js) on a TypeScript
# page in headless Chromium against the emulation; the real group runs it on
# kxhost.
add_test(NAME page_debug
         COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check_page_debug.sh
                 ${CMAKE_BINARY_DIR} --chromium)

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
