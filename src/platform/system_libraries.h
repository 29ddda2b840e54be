#pragma once

#include <windows.h>
#include <setupapi.h>

#include <string>

// Functions of the system libraries that are not among the platform's
// always-known DLLs. A library named in the import table, or loaded by name,
// may be taken from the program's own folder first, where anyone who can put a
// file beside a downloaded setup program could plant one. These libraries are
// therefore kept out of the import table and loaded once, by their full path
// in the system directory; every caller goes through this table.
struct SystemFunctionTable {
    // VERSION.dll, the version-installation service
    decltype(&::GetFileVersionInfoSizeA) GetFileVersionInfoSizeA;
    decltype(&::GetFileVersionInfoA) GetFileVersionInfoA;
    decltype(&::VerQueryValueA) VerQueryValueA;
    decltype(&::VerFindFileA) VerFindFileA;
    decltype(&::VerInstallFileA) VerInstallFileA;
    // SETUPAPI.dll, the setup service
    decltype(&::SetupGetFileCompressionInfoA) SetupGetFileCompressionInfoA;
    // ADVAPI32.dll's RtlGenRandom (SystemFunction036): the system's random
    // numbers. Looked up rather than imported because it forwards to
    // CRYPTBASE.dll, which is no always-known DLL either.
    BOOLEAN(WINAPI* GenRandom)(PVOID buffer, ULONG length);
};

// The table, filled on first use. Each entry is the system's function, or,
// when the library or the function cannot be had, a stand-in that fails the
// way the function reports a failure; no entry is ever null. The program only
// reads it; tests put a recording stand-in in front of an entry.
SystemFunctionTable& SystemFunctions();

// Makes libraries that are loaded by name come from the system directory only
// (SetDefaultDllDirectories), or, on systems without that, at least not from
// the current directory. Called first thing at start.
void RestrictLibrarySearch();

// Loads the library at `fullPath`, taking the libraries it depends on from its
// own folder and the system directory only; nullptr when it cannot be loaded.
HMODULE LoadLibraryByPath(const std::string& fullPath);
