# Fails unless every DLL that EXE imports is one of the system DLLs we allow:
# libraries that Windows always takes from the system directory (known DLLs),
# and COMCTL32.dll, which the manifest takes from the side-by-side store.
# Other system libraries (VERSION.dll, SETUPAPI.dll) are loaded by full path at
# run time; imported, they could be taken from the folder the program is in.
set(allowed KERNEL32.dll USER32.dll GDI32.dll COMCTL32.dll SHELL32.dll ole32.dll
    ADVAPI32.dll msvcrt.dll)
string(TOUPPER "${allowed}" allowed_upper)
# OBJDUMP matches the width of EXE (i686- or x86_64-w64-mingw32-objdump).
if(NOT OBJDUMP)
    set(OBJDUMP i686-w64-mingw32-objdump)
endif()
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${EXE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
if(NOT names)
    message(FATAL_ERROR "no imports found in ${EXE}")
endif()
foreach(entry ${names})
    string(REGEX REPLACE "DLL Name: " "" dll "${entry}")
    string(STRIP "${dll}" dll)
    string(TOUPPER "${dll}" dll_upper)
    list(FIND allowed_upper "${dll_upper}" index)
    if(index EQUAL -1)
        message(FATAL_ERROR "${EXE} imports ${dll}, which is not an allowed system DLL")
    endif()
    message(STATUS "import: ${dll}")
endforeach()
