#pragma once

#include <string>

// The Uninstall registration that names the separate uninstaller, and the
// files the copy page puts beside the installed application.

// The application's own key under the shared Uninstall key, relative to
// HKEY_LOCAL_MACHINE; empty when there is no application name, since the
// shared key itself must never be written to nor logged for removal.
std::string UninstallKeyPath(const std::string& appName);

// `name` inside `installDirectory`, with a backslash between them unless the
// directory already ends with one: a directory typed as D:\Apps\Demo must not
// become D:\Apps\DemoVLUninstall.exe.
std::string FileInInstallDirectory(const std::string& installDirectory, const std::string& name);

// The registered uninstaller command: VLUninstall.exe in the installation
// directory, quoted so that a path with blanks cannot start another program.
std::string UninstallCommand(const std::string& installDirectory);
