#include "install/install_file.h"

// Placeholder until the installation engine lands: nothing is installed.
int InstallFileRecord(std::size_t, std::string& installedPath) {
    installedPath.clear();
    return 0;
}
