# The stand-in framework in framework/ and what it builds on. Gives the targets
# the application code links against: fw_headers, fw_core and framework.
# The suite's build checks what the product's release build does not: every
# DCHECK, and so every callback's CEF_REQUIRE_*_THREAD().
add_compile_definitions(DCHECK_ALWAYS_ON)

# --- third-party ---------------------------------------------------------
# Duktape as packaged, with one change to its configuration: the execution
# timeout check, through which the framework stops page script that never
# yields (framework/src/script/script_budget.h). The three files are copied
# together because duktape.c and duktape.h include "duk_config.h" from their
# own folder.
find_path(DUKTAPE_SOURCE_DIR
          NAMES duktape.c
          PATHS /usr/share/duktape
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
          DOC "Duktape's sources: duktape.c, duktape.h and duk_config.h")
if(NOT DUKTAPE_SOURCE_DIR)
  message(FATAL_ERROR "Duktape's sources were not found: install Debian's "
          "duktape-dev package (make setup) or set DUKTAPE_SOURCE_DIR")
endif()
set(DUKTAPE_DIR ${CMAKE_BINARY_DIR}/third_party/duktape)
configure_file(${DUKTAPE_SOURCE_DIR}/duktape.c ${DUKTAPE_DIR}/duktape.c COPYONLY)
configure_file(${DUKTAPE_SOURCE_DIR}/duktape.h ${DUKTAPE_DIR}/duktape.h COPYONLY)
file(READ ${DUKTAPE_SOURCE_DIR}/duk_config.h kx_duk_config)
string(FIND "${kx_duk_config}" "/* __OVERRIDE_DEFINES__ */" kx_duk_hook)
if(kx_duk_hook EQUAL -1)
  message(FATAL_ERROR "duk_config.h has no override point; cannot add the script budget")
endif()
string(REPLACE "/* __OVERRIDE_DEFINES__ */" [=[
#define DUK_USE_INTERRUPT_COUNTER
#undef DUK_USE_EXEC_TIMEOUT_CHECK
#if defined(__cplusplus)
extern "C" {
#endif
int cef_internal_script_budget_exceeded(void *heap_udata);
#if defined(__cplusplus)
}
#endif
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) cef_internal_script_budget_exceeded((udata))
]=] kx_duk_config "${kx_duk_config}")
file(WRITE ${CMAKE_BINARY_DIR}/third_party/duk_config.h.in "${kx_duk_config}")
configure_file(${CMAKE_BINARY_DIR}/third_party/duk_config.h.in
               ${DUKTAPE_DIR}/duk_config.h COPYONLY)
add_library(duktape STATIC ${DUKTAPE_DIR}/duktape.c)
target_include_directories(duktape PUBLIC ${DUKTAPE_DIR})
target_compile_options(duktape PRIVATE -w -O2)

# --- framework (the stand-in for the embedding framework) -----------------
add_library(fw_headers INTERFACE)
target_include_directories(fw_headers INTERFACE ${CMAKE_SOURCE_DIR}/framework)
# RapidJSON (headers only) lives in the build machine's include folder, which
# must not be on the target's include path as a whole: expose just its folder.
find_path(RAPIDJSON_INCLUDE_DIR
          NAMES rapidjson/rapidjson.h
          PATHS /usr/include
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
          DOC "The folder holding rapidjson/")
if(NOT RAPIDJSON_INCLUDE_DIR)
  message(FATAL_ERROR "RapidJSON was not found: install Debian's "
          "rapidjson-dev package (make setup) or set RAPIDJSON_INCLUDE_DIR")
endif()
set(KX_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${KX_THIRD_PARTY_INCLUDE})
file(CREATE_LINK ${RAPIDJSON_INCLUDE_DIR}/rapidjson
     ${KX_THIRD_PARTY_INCLUDE}/rapidjson SYMBOLIC)
target_include_directories(fw_headers SYSTEM INTERFACE ${KX_THIRD_PARTY_INCLUDE})
target_link_libraries(fw_headers INTERFACE user32 gdi32 shell32 ole32 winhttp ws2_32
                      advapi32 bcrypt)

kx_library(fw_core SOURCES ${FW_CORE_SOURCES} ${FW_CHANNEL_SOURCES}
           DEPS fw_headers)
kx_library(fw_script SOURCES ${FW_SCRIPT_SOURCES} DEPS fw_core duktape)
kx_library(fw_wrapper SOURCES ${FW_WRAPPER_SOURCES} DEPS fw_script)
kx_library(fw_renderer SOURCES ${FW_RENDERER_SOURCES} DEPS fw_wrapper)
kx_library(fw_browser SOURCES ${FW_BROWSER_SOURCES} DEPS fw_renderer)
kx_library(fw_process SOURCES ${FW_PROCESS_SOURCES} DEPS fw_browser fw_renderer)
kx_library(fw_testing SOURCES ${FW_TESTING_SOURCES} DEPS fw_process)
add_library(framework INTERFACE)
target_link_libraries(framework INTERFACE fw_process)
