#pragma once

#include <functional>
#include <string>

#include "authoring/diagnostics.h"
#include "engine/script_reader.h"

// What vlcheck finds in a script that the wizard would forgive silently or
// stop at: errors lose files or stop the setup, warnings are likely mistakes.

struct CheckOptions {
    // The directory that [SP] stands for when sources are looked up, in the
    // form the file system of the running tool takes; empty: not looked up.
    std::string setupDirectory;
    // Whether a source file exists; unset, the file system is asked (without
    // regard to case, as the wizard's file system answers).
    std::function<bool(const std::string& path)> sourceExists;
    // Whether setupDirectory is only the script's own folder, for want of a
    // folder given: the first missing source then says how to give one.
    bool setupDirectoryGuessed = false;
    // Also warn where VLSetup.exe /quiet cannot go on without a person (a page
    // whose Next rules keep Next disabled), and note its other differences.
    bool quietReady = false;
    DiagnosticPolicy policy;
};

// Checks the statements of `reader` as the wizard would run them. Runs
// nothing that the script asks for.
CheckReport CheckScript(const ScriptReader& reader, const CheckOptions& options);

// Checks the bytes of a script file, read as the wizard reads a file, and
// what follows its end-of-file mark, which the wizard never reads.
CheckReport CheckScriptBytes(const std::string& bytes, const CheckOptions& options);
