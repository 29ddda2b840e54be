#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

INT_PTR CALLBACK SectionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The total unpacked size of the files of the section named `name` (names
// compared exactly), summed in 64 bits so that large sections show their size.
uint64_t SectionSize(const std::string& name);

// Shows the comment of section `row` and either "Section must be installed" or
// the "Install section" check box; the check box then acts on this row.
void ShowSectionDetails(HWND page, int row);

// Replacement procedure of the section list: clicks and keys toggle one row
// at a time, and mandatory rows stay highlighted.
LRESULT CALLBACK SectionListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
