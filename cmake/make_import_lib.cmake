# Makes libcef.lib, an import library in Visual C++'s format, from the
# framework's export list with LLVM's dlltool: the export list of DLL (read
# by gendef) or, for a distribution made only to link against, DEF.
#   cmake -DDLLTOOL=... -DGENDEF=... -DMACHINE=i386:x86-64|i386
#         [-DDLL=libcef.dll | -DDEF=libcef.def] -DOUT=libcef.lib -P this
# The framework's functions are plain C (cdecl), so the names carry over to
# 32-bit unchanged.
get_filename_component(dir "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
set(def "${dir}/libcef.def")
if(DLL)
  execute_process(COMMAND "${GENDEF}" - "${DLL}" OUTPUT_FILE "${def}"
                  ERROR_VARIABLE errors RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "gendef could not read ${DLL}: ${errors}")
  endif()
else()
  configure_file("${DEF}" "${def}" COPYONLY)
endif()
execute_process(COMMAND "${DLLTOOL}" -m ${MACHINE} -d "${def}" -D libcef.dll
                        -l "${OUT}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "llvm-dlltool could not make ${OUT}")
endif()
