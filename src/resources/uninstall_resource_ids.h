// Resource and control ids of uninstall.rc and the uninstaller's question.
// Plain #defines only: the resource compiler reads this file too.
#ifndef VL_RESOURCES_UNINSTALL_RESOURCE_IDS_H
#define VL_RESOURCES_UNINSTALL_RESOURCE_IDS_H

// "The shared file ... is no longer used by any program. Remove it?" with Yes
// (IDYES), No (IDNO), Yes to all and No to all.
#define IDD_SHARED_QUESTION 201
#define IDC_SHARED_ICON 2001
#define IDC_SHARED_TEXT 2002
#define IDC_SHARED_YES_TO_ALL 2003
#define IDC_SHARED_NO_TO_ALL 2004

#endif
