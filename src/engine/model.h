#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SectionRecord {
    std::string name;
    int32_t mandatory = 0;
    int32_t reservedNumber = 0;
    std::string comment;
    int32_t selected = 0; // written by the sections page only
};

struct FileRecord {
    std::string source;      // references expanded when AddFile runs
    std::string destination; // expanded in place when the file is installed
    std::string shortcutName;
    std::string section;
    int32_t shared = 0;
    int16_t disk = 0;
    int32_t splitPart = 0;
    int32_t lastPart = 0;
    int32_t reservedFlag = 0;
    int32_t createShortcut = 0;
};

// A script-made control. `window` holds the control's handle (as an opaque
// pointer, so this header needs no platform types) while its page is open.
struct WindowRecord {
    void* window = nullptr;
    std::string type;
    std::string name;
    std::string page;
    int32_t reservedNumber = 0;
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    std::string text;
};

// A stored ShowMessage, SetNextDynamicState or CheckButton statement.
struct DeferredStatement {
    std::string name;
    std::vector<std::string> arguments;
    int32_t count = 0;
};

// What the script configured: four lists in script order, only ever appended to.
struct InstallationModel {
    std::vector<SectionRecord> sections;
    std::vector<FileRecord> files;
    std::vector<WindowRecord> windows;
    std::vector<DeferredStatement> deferredStatements;

    void Clear();
};

// The one installation model of the run; filled by the interpreter, read by pages
// and the installation engine, which index the lists by position.
extern InstallationModel model;
