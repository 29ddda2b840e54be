#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/script_reader.h"

// What vlcheck finds in a script that the wizard would forgive silently or
// stop at: errors lose files or stop the setup, warnings are likely mistakes.

// A note tells what a quiet run does differently; it is no mistake.
enum class Severity { Note, Warning, Error };

struct Diagnostic {
    ScriptPosition position;
    Severity severity = Severity::Warning;
    std::string message;
};

struct CheckOptions {
    // The directory that [SP] stands for when sources are looked up, in the
    // form the file system of the running tool takes; empty: not looked up.
    std::string setupDirectory;
    // Whether a source file exists; unset, the file system is asked (without
    // regard to case, as the wizard's file system answers).
    std::function<bool(const std::string& path)> sourceExists;
    // Also warn where VLSetup.exe /quiet cannot go on without a person (a page
    // whose Next rules keep Next disabled), and note its other differences.
    bool quietReady = false;
    // Diagnostics beyond this many are counted but not kept.
    std::size_t maxKept = 1000;
};

struct CheckReport {
    std::vector<Diagnostic> diagnostics; // the kept ones, by position
    std::size_t errors = 0;
    std::size_t warnings = 0;
    std::size_t notes = 0;
};

// Checks the statements of `reader` as the wizard would run them. Runs
// nothing that the script asks for.
CheckReport CheckScript(const ScriptReader& reader, const CheckOptions& options);
