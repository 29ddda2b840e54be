// Resource and control ids shared by setup.rc and the page procedures.
// Plain #defines only: the resource compiler reads this file too.
#ifndef VL_RESOURCES_RESOURCE_IDS_H
#define VL_RESOURCES_RESOURCE_IDS_H

// Dialog templates: the five wizard pages and the two conflict questions.
#define IDD_WELCOME 101
#define IDD_SECTIONS 105
#define IDD_DEST 106
#define IDD_COPY 111
#define IDD_PROGRAMGROUP 113
#define IDD_LANGUAGE_QUESTION 115
#define IDD_OVERWRITE_QUESTION 116

// The picture that the welcome page paints (100x200, 24 bits per pixel).
#define IDB_WELCOME 106

// Static texts and group boxes that no code addresses.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Buttons that every wizard page has. "Last" exists on each page but is never shown.
#define IDC_LAST 5
#define IDC_NEXT 1017
#define IDC_CANCEL_PAGE 1018

// Welcome page (IDD_WELCOME): upper and lower text beside the picture.
#define IDC_WELCOME_TEXT 1001
#define IDC_WELCOME_TEXT2 1000

// Sections page (IDD_SECTIONS). The "must be installed" note and the "Install section"
// check box share one rectangle; the page shows one of them at a time.
#define IDC_SECTIONS_HINT 1003
#define IDC_SECTIONS_LIST 1009
#define IDC_SECTIONS_COMMENT 1011
#define IDC_SECTIONS_COMMENT_LABEL 1019
#define IDC_SECTIONS_MANDATORY 1024
#define IDC_SECTIONS_INSTALL 1025

// Destination page (IDD_DEST).
#define IDC_DEST_PATH_LABEL 1010
#define IDC_DEST_PATH 1011
#define IDC_DEST_CHOOSE 1012
#define IDC_DEST_FREE_SPACE 1013
#define IDC_DEST_AUTOMATIC 1014
#define IDC_DEST_ASK_CREATE 1029

// Copy page (IDD_COPY): section and file names with their progress bars.
#define IDC_COPY_SECTION_LABEL 1026
#define IDC_COPY_FILE_PROGRESS 1027
#define IDC_COPY_SECTION_PROGRESS 1028
#define IDC_COPY_SECTION 1033
#define IDC_COPY_FILE 1034

// Program group page (IDD_PROGRAMGROUP).
#define IDC_GROUP_HINT 1003
#define IDC_GROUP_NEW_NAME 1011
#define IDC_GROUP_EXISTING_NAME 1013
#define IDC_GROUP_BROWSE 1014
#define IDC_GROUP_CREATE_NEW 1030
#define IDC_GROUP_USE_EXISTING 1031
#define IDC_GROUP_NONE 1032

// Language question (IDD_LANGUAGE_QUESTION).
#define IDC_LANG_INSTALL_ALL 1012
#define IDC_LANG_DEST_FILE 1035
#define IDC_LANG_DEST_LANGUAGE 1036
#define IDC_LANG_SOURCE_FILE 1037
#define IDC_LANG_SOURCE_LANGUAGE 1038
#define IDC_LANG_DEST_CODEPAGE 1039
#define IDC_LANG_SOURCE_CODEPAGE 1040
#define IDC_LANG_YES 1041
#define IDC_LANG_NO 1042

// Overwrite question (IDD_OVERWRITE_QUESTION).
#define IDC_OVERWRITE_FILE 1034
#define IDC_OVERWRITE_YES 1012
#define IDC_OVERWRITE_NO 1043
#define IDC_OVERWRITE_ALL 1044

#endif
